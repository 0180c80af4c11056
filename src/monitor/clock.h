// The one monotonic clock of the program: rates and benchmarks measure with it.
#pragma once

#include <cstdint>

// Nanoseconds since an arbitrary start; never goes backwards.
std::int64_t monotonic_ns();

// Today's date on the local calendar, "YYYY-MM-DD", from the platform's clock
// and time zone. Tests put a reader of their own in its place.
using LocalDateReader = void (*)(char (&date)[11]);
extern LocalDateReader read_local_date;

// The local date and time to the second, "YYYY-MM-DD-HHMMSS", as names of
// files that are kept take it. Tests put a reader of their own in its place.
using LocalTimeReader = void (*)(char (&stamp)[18]);
extern LocalTimeReader read_local_time;

// When the system started, in seconds since 1970 (UTC): the wall clock now
// less the time since the start. Two readings in one boot differ by no more
// than the clock's adjustments. Tests put a reader of their own in its place.
using SystemStartReader = std::int64_t (*)();
extern SystemStartReader read_system_start;

// Milliseconds since the system started, the time asleep included: how old a
// counter reading is, also one kept by an earlier run in this boot. Tests put
// a reader of their own in its place.
using UptimeReader = std::int64_t (*)();
extern UptimeReader read_uptime_ms;
