#pragma once

#include <cstdint>
#include <string>
#include <vector>

// Pixels as 0x00RRGGBB, top row first.
struct ScreenBitmap {
  int width = 0;
  int height = 0;
  std::vector<uint32_t> pixels;

  uint32_t At(int x, int y) const { return pixels[static_cast<size_t>(y) * width + x]; }
};

// 32-bit top-down BMP files.
bool WriteBitmapFile(const std::string &path, const ScreenBitmap &bitmap);
bool ReadBitmapFile(const std::string &path, ScreenBitmap &bitmap);
