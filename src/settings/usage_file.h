// Today's and this month's traffic, kept in "usage.cfg" beside the settings
// file, in its format and with its atomic save. The settings file is never
// touched for it.
#pragma once

#include <cstdint>

#include "monitor/usage_count.h"

// A file that is missing, damaged or hostile in any way (a bad date, a count
// that is not plain decimal digits or passes 64 bits, a key missing) gives
// zero counts and false; the next write replaces it.
bool load_usage_file(const char* path, UsageCount* usage);
bool save_usage_file(const char* path, const UsageCount& usage);

// At start: the counts of earlier runs.
void load_usage();
// With every save of the settings.
bool save_usage();
// Each tick: counts, and writes when there is something new and the last
// write is a minute old on the monotonic clock.
void keep_usage(std::int64_t now_ns);
// With the settings file, for "Reset Config and Exit...".
void delete_usage();

constexpr std::int64_t usage_write_interval_ns = 60'000'000'000;
