// What a platform gives the counter source: the interface table with every
// adapter's cumulative byte counts, and a clock.
#pragma once

#include <cstdint>

#include "monitor/counter_types.h"

// A source of cumulative byte counts. `read_interfaces` fills the table with
// every interface present now and returns false when the platform cannot be
// asked. Where asking for a few adapters is cheaper than for all of them,
// `refresh_rows` updates the counts of the rows already in a table (found by
// `key`) and returns false when any of them is gone; it is used only for
// tables of at most `max_refresh_rows` rows. `now_ns` is a monotonic clock.
// `default_route_key`, where the platform can tell, gives the key of the
// adapter that carries the default route, and false when none does.
struct CounterBackend {
    bool (*read_interfaces)(InterfaceTable* table);
    bool (*refresh_rows)(InterfaceTable* table);
    int max_refresh_rows;
    std::int64_t (*now_ns)();
    bool (*default_route_key)(std::uint64_t* key);
};

// The backend of the platform the program runs on.
const CounterBackend* platform_counter_backend();
