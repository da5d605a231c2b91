#include "screen_bitmap.h"

#include <cstring>
#include <fstream>
#include <iterator>

namespace {

constexpr size_t kFileHeader = 14;
constexpr size_t kInfoHeader = 40;

void Put(std::string &bytes, size_t at, uint32_t value, int size) {
  for (int i = 0; i < size; ++i) bytes[at + i] = static_cast<char>((value >> (8 * i)) & 0xFF);
}

uint32_t Get(const std::string &bytes, size_t at, int size) {
  uint32_t value = 0;
  for (int i = 0; i < size; ++i)
    value |= static_cast<uint32_t>(static_cast<unsigned char>(bytes[at + i])) << (8 * i);
  return value;
}

}  // namespace

bool WriteBitmapFile(const std::string &path, const ScreenBitmap &bitmap) {
  size_t data = static_cast<size_t>(bitmap.width) * bitmap.height * 4;
  std::string bytes(kFileHeader + kInfoHeader + data, '\0');
  bytes[0] = 'B';
  bytes[1] = 'M';
  Put(bytes, 2, static_cast<uint32_t>(bytes.size()), 4);
  Put(bytes, 10, kFileHeader + kInfoHeader, 4);
  Put(bytes, 14, kInfoHeader, 4);
  Put(bytes, 18, static_cast<uint32_t>(bitmap.width), 4);
  Put(bytes, 22, static_cast<uint32_t>(-bitmap.height), 4);  // top row first
  Put(bytes, 26, 1, 2);
  Put(bytes, 28, 32, 2);
  for (size_t i = 0; i < bitmap.pixels.size(); ++i)
    Put(bytes, kFileHeader + kInfoHeader + 4 * i, bitmap.pixels[i] | 0xFF000000u, 4);
  std::ofstream out(path, std::ios::binary);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  return static_cast<bool>(out);
}

bool ReadBitmapFile(const std::string &path, ScreenBitmap &bitmap) {
  std::ifstream in(path, std::ios::binary);
  std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  if (bytes.size() < kFileHeader + kInfoHeader || bytes.compare(0, 2, "BM") != 0 || Get(bytes, 28, 2) != 32)
    return false;
  bitmap.width = static_cast<int>(Get(bytes, 18, 4));
  bitmap.height = -static_cast<int>(Get(bytes, 22, 4));
  size_t data = Get(bytes, 10, 4);
  size_t count = static_cast<size_t>(bitmap.width) * bitmap.height;
  if (bitmap.width <= 0 || bitmap.height <= 0 || bytes.size() < data + 4 * count) return false;
  bitmap.pixels.resize(count);
  for (size_t i = 0; i < count; ++i) bitmap.pixels[i] = Get(bytes, data + 4 * i, 4) & 0xFFFFFFu;
  return true;
}
