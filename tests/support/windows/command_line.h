#pragma once

#include <string>
#include <vector>

// A Windows command line that hands each word over as one argument.
std::string CommandLineOf(const std::vector<std::string> &words);
