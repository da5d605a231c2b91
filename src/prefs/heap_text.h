#pragma once

#include <cstddef>
#include <cstdint>

// A text of the service's own, taken from the main heap.
struct HeapText {
  char *bytes = nullptr;  // nullptr: none
  uint32_t length = 0;
};

// Copies a caller's text, encoded as UTF-8 when `toUtf8` is set. False when
// memory for it cannot be had.
bool CopyCallerText(const char *text, bool toUtf8, HeapText &copy);

void FreeHeapText(HeapText &text);

// Compares two names with ASCII letters folded and every other byte exact.
bool SameNameIgnoringAsciiCase(const char *a, size_t aLength, const char *b, size_t bLength);
