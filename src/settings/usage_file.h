// The counts kept in "usage.cfg" beside the settings file, in its format and
// with its atomic save: today's and this month's traffic of the graph's
// interfaces under the six "usage." keys, and under "adapter." and "plan."
// keys what usage-history.csv does not hold yet. The settings file is never
// touched for it.
#pragma once

#include <cstdint>

#include "monitor/usage_count.h"
#include "monitor/usage_history.h"

// What usage.cfg tells besides the counts.
struct UsageFileState {
    bool system_start_known;
    std::int64_t system_start_s;
    PlanWarningState plan;
};

// Merges the counts of the file into `usage` as totals (the larger count
// wins, so that a file older than the history adds nothing twice). A file of
// the earlier version, with the six keys alone, is taken over: the day's
// counts to its date, the rest of the month to its first day, received bytes
// under `download` and sent bytes under `upload` ("*" when empty), counted as
// hardware. False when the file is missing or damaged; a damaged line of an
// adapter leaves that line out, a damaged earlier version's file gives nothing.
bool load_usage_file(const char* path, UsageCount* usage, UsageFileState* state, const char* download,
                     const char* upload);
// The six keys from `usage.day` and `usage.month`, then every adapter with
// counter values or dates the history lacks, then the plan's warned state.
bool save_usage_file(const char* path, const UsageCount& usage);

// At start: the history, the counts of earlier runs and a first reading, which
// counts what this boot carried while the program was not running.
void load_usage();
// With every save of the settings.
bool save_usage();
// Each tick: reads the interface table every 10 s and counts; at a change of
// date rewrites the history; writes usage.cfg when there is something new and
// the last write is a minute old on the monotonic clock.
void keep_usage(std::int64_t now_ns);
// At exit (and with today's counts at the end of the logon): a last reading,
// then the history rewritten. A target another program holds open is tried
// again until `deadline_ns` on the monotonic clock.
bool save_usage_history(bool with_today, std::int64_t deadline_ns);
// With the settings file, for "Reset Config and Exit...": usage.cfg, the
// history and a set-aside history alike.
void delete_usage();

constexpr std::int64_t usage_write_interval_ns = 60'000'000'000;
// Ticks come about a second apart: half a second early keeps readings within 10 s.
constexpr std::int64_t usage_read_interval_ns = 9'500'000'000;
// Two computations of the system's start in one boot differ by the clock's
// adjustments since; more than this is another boot.
constexpr std::int64_t same_boot_tolerance_s = 10;
