// The static C++ runtime reports a failure it cannot throw past (an uncaught
// exception, a container asked for more than it can hold) through a handler
// that demangles type names and formats messages, which would make most of
// the shipped program. This program throws nothing of its own; for it those
// reports end the process at once, and the demangler and formatter stay out.
// Memory that cannot be had ends it as every refused allocation does, with
// exit code 0.
#include <cstdlib>

#include "base/process_heaps.h"

namespace __gnu_cxx {
void __verbose_terminate_handler() { std::abort(); }
}  // namespace __gnu_cxx

namespace std {
void __throw_bad_alloc() { EndForLackOfMemory(); }
void __throw_bad_array_new_length() { EndForLackOfMemory(); }
void __throw_length_error(const char *) { EndForLackOfMemory(); }
void __throw_logic_error(const char *) { std::abort(); }
void __throw_out_of_range(const char *) { std::abort(); }
void __throw_out_of_range_fmt(const char *, ...) { std::abort(); }
void __throw_invalid_argument(const char *) { std::abort(); }
}  // namespace std
