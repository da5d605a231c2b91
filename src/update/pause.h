#pragma once

#include <cstdint>

// The fixed wait that paces the update: sleeps the calling thread for the
// given time with the system timer resolution raised to 1 ms for exactly
// that long.
void Pause(uint32_t milliseconds);
