// Every day's traffic of every adapter: what the Usage window, the tooltip
// and the data plan ask of the counts, wherever a count is kept.
#pragma once

#include <cstdint>

#include "monitor/usage_count.h"

// The adapters with kept days or present now, by the names the interface
// list shows, in a stable order.
std::int32_t usage_adapter_count();
const char* usage_adapter_name(std::int32_t index);
bool usage_adapter_is_hardware(std::int32_t index);

// The bytes of `adapter` (a name, or `all_hardware_adapters`) from `first`
// to `last`, both included.
ByteCounts usage_between(const char* adapter, DayNumber first, DayNumber last);

// The earliest date with any count; false when nothing is counted yet.
bool usage_first_date(DayNumber* day);
