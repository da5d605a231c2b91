#pragma once

#include <string>

// Folder texts are cut to MAX_PATH characters before anything is added to them.
std::string CutToMaxPath(const char *text);

// The folder followed by "\" unless it is empty or already ends with "\".
std::string WithSeparator(std::string folder);
