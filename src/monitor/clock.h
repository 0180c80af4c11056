// The one monotonic clock of the program: rates and benchmarks measure with it.
#pragma once

#include <cstdint>

// Nanoseconds since an arbitrary start; never goes backwards.
std::int64_t monotonic_ns();
