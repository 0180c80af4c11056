// What a cumulative byte counter's new reading says about the traffic since
// the last one. Counters only grow, except when a driver restarts them (a
// reset: everything they hold is new) or reports a count briefly below the
// one before (a glitch: nothing is new, and the old count stays the base
// until the counter passes it). The link's speed and the time between the
// readings tell the two apart; when they cannot, nothing is counted, so that
// a mistake loses bytes rather than counting them twice.
#pragma once

#include <cstdint>

enum class CounterStep {
    grew,    // at or above the last: the difference is new
    reset,   // restarted since the last: all of the reading is new
    glitch,  // briefly below the last: nothing is new, the last stays the base
    rebase,  // below the last for no known reason: nothing is new, the reading is the base
};

// A time between readings that is not known.
constexpr std::int64_t unknown_elapsed = -1;

// A glitch is a stale count: behind by no more than the link carries in this
// long, however long ago the last reading was.
constexpr std::int64_t glitch_window_ns = 10'000'000'000;

// The bytes a link of `speed_bps` bits a second carries in `elapsed_ns`; held
// at the top of the range.
std::uint64_t link_capacity(std::uint64_t speed_bps, std::int64_t elapsed_ns);

// `speed_bps` 0 is an unknown speed; a negative `elapsed_ns` an unknown time.
CounterStep classify_counter_step(std::uint64_t last, std::uint64_t now, std::uint64_t speed_bps,
                                  std::int64_t elapsed_ns);
