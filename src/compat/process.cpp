// The process frame's calls: its end, its ids, its environment blocks, COM
// (nothing to prepare natively) and upper-casing by the system code page.
#include "process.h"

#include <sys/syscall.h>
#include <unistd.h>
#include <win_com.h>
#include <windows.h>

#include <algorithm>
#include <cstdlib>
#include <string>

#include "code_page.h"

namespace {

// Windows-1252, the system code page the stand-in stands for.
unsigned char UpperOf(unsigned char c) {
  if ((c >= 'a' && c <= 'z') || (c >= 0xE0 && c <= 0xFE && c != 0xF7)) return c - 0x20;
  switch (c) {
    case 0x9A:  // s with caron
    case 0x9C:  // oe
    case 0x9E:  // z with caron
      return c - 0x10;
    case 0xFF:  // y with diaeresis
      return 0x9F;
    default:
      return c;
  }
}

// The environment's entries in the order the process holds them, each as it
// stands there (with or without "="), taken as UTF-8; the block's end mark included.
std::wstring WideBlock() {
  std::wstring block;
  for (char **entry = environ; entry != nullptr && *entry != nullptr; ++entry) {
    if (**entry == '\0') continue;  // an empty entry would end the block early
    block.append(WideOfUtf8(*entry)).push_back(L'\0');
  }
  block.push_back(L'\0');
  return block;
}

template <typename Char>
Char *HandOut(const std::basic_string<Char> &block) {
  if (environment_block::withheld) return nullptr;
  auto *copy = static_cast<Char *>(std::malloc(block.size() * sizeof(Char)));
  if (copy == nullptr) return nullptr;
  std::copy(block.begin(), block.end(), copy);
  ++environment_block::held;
  return copy;
}

BOOL GiveBack(void *block) {
  if (block == nullptr) return FALSE;
  std::free(block);
  --environment_block::held;
  return TRUE;
}

}  // namespace

std::atomic<bool> environment_block::withheld{false};
std::atomic<int> environment_block::held{0};

// Ends the process as exit() does, so buffered output and the leak check still run.
void WINAPI ExitProcess(UINT exitCode) { std::exit(static_cast<int>(exitCode)); }

DWORD WINAPI GetCurrentProcessId(void) { return static_cast<DWORD>(getpid()); }

DWORD WINAPI GetCurrentThreadId(void) { return static_cast<DWORD>(syscall(SYS_gettid)); }

// The 8-bit block is the wide one in the system code page, "?" for what it lacks.
LPCH WINAPI GetEnvironmentStrings(void) { return HandOut(CodePageOfWide(WideBlock())); }

BOOL WINAPI FreeEnvironmentStringsA(LPCH block) { return GiveBack(block); }

LPWCH WINAPI GetEnvironmentStringsW(void) { return HandOut(WideBlock()); }

BOOL WINAPI FreeEnvironmentStringsW(LPWCH block) { return GiveBack(block); }

LPSTR WINAPI CharUpperA(LPSTR text) {
  for (char *c = text; *c != '\0'; ++c) *c = static_cast<char>(UpperOf(static_cast<unsigned char>(*c)));
  return text;
}

HRESULT WINAPI CoInitialize(LPVOID) { return S_OK; }

const IID IID_IUnknown = {0x00000000, 0x0000, 0x0000, {0xc0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
const IID IID_IBinding = {0x79eac9c0, 0xbaf9, 0x11ce, {0x8c, 0x82, 0x00, 0xaa, 0x00, 0x4b, 0xa9, 0x0b}};
const IID IID_IBindStatusCallback = {
    0x79eac9c1, 0xbaf9, 0x11ce, {0x8c, 0x82, 0x00, 0xaa, 0x00, 0x4b, 0xa9, 0x0b}};
const IID IID_IHttpNegotiate = {0x79eac9d2, 0xbaf9, 0x11ce, {0x8c, 0x82, 0x00, 0xaa, 0x00, 0x4b, 0xa9, 0x0b}};
