// What a reading of the router's byte counters counts, judged against the last
// reading counted (the base). The router restarts, reconnects and, on 32-bit
// counters, wraps at 2^32; its uptime, its counters' discontinuity time and
// its link's speed over the time since the base tell these apart. Where
// nothing can be told, nothing is counted: a mistake loses bytes rather than
// counting them twice.
#pragma once

#include <cstdint>

#include "monitor/router_reading.h"

// A time of a base that is not known: a monotonic clock of an earlier run, or
// the PC's uptime of another boot.
constexpr std::int64_t router_time_unknown = INT64_MIN;

// Without a usable link speed, a counter below its base is taken for one wrap
// only this soon after it.
constexpr std::int64_t router_wrap_window_ns = 30'000'000'000;

// An answer's counters were read a moment before it came, and not the same
// moment at every poll: the link may have carried this much longer than the
// time between two answers says.
constexpr std::int64_t router_answer_jitter_ns = 1'000'000'000;

// The router's clock and the PC's may part by this share of the time between
// two readings (1/1000): more than any crystal drifts.
constexpr std::int64_t router_clock_drift = 1000;

struct RouterBase {
    std::uint64_t received;
    std::uint64_t sent;
    bool wide_counters;  // 64-bit: the router said so, or once reported more than 2^32 - 1
    bool uptime_known;
    std::uint64_t uptime_cs;
    bool discontinuity_known;
    std::uint64_t discontinuity_cs;
    std::int64_t taken_ns;  // this run's monotonic clock, or router_time_unknown
    // The PC's uptime when it was counted, for a later run of the same boot.
    // Not the wall clock: one set while the program was closed would make a
    // restart of the router look like a wrap, and count bytes twice.
    std::int64_t counted_uptime_ms;
};

struct RouterStep {
    // Grown by more than the link could carry since the base: nothing is
    // counted and the base stays until the router's identity is checked.
    bool held;
    std::uint64_t received;
    std::uint64_t sent;
    RouterBase next;
};

// A reading counted when the PC had run `uptime_ms`, as the base the next one
// is counted from.
RouterBase router_base_of(const RouterReading& reading, std::int64_t uptime_ms);

RouterStep step_router(const RouterBase& base, const RouterReading& reading, std::int64_t uptime_ms);
