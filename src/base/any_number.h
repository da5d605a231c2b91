#pragma once

// Services that hold numbered objects (folder searches, windows and controls,
// loaded libraries) take a caller's number of 0 or above, or AnyNumber to have
// a new object made and a non-zero handle for it returned.
constexpr int AnyNumber = -1;
