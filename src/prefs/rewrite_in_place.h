#pragma once

#include <windows.h>

// What a file held before it is rewritten: an optional head and the body.
struct FileContent {
  const char *head;
  DWORD headLength;
  const char *body;
  DWORD bodyLength;
};

// Writes `length` bytes at the file's position in one write; false for a
// failed or short write.
bool WriteAll(HANDLE file, const char *bytes, DWORD length);

// Replaces the whole content of `file`, open for reading and writing, with
// `text` in one write, under the same open file. When that fails part-way
// (disk full, a write error) the old content is written back over what the
// failed write changed; it fits where it stood, so the file keeps its old
// content whole. True when the new content is in place.
bool RewriteInPlace(HANDLE file, const char *text, DWORD length, const FileContent &old);
