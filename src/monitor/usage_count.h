// Every adapter's traffic per local calendar date, counted from the byte
// counters of the whole interface table, whatever the graph shows. Today's and
// this month's figures for the graph's interfaces are derived from it.
#pragma once

#include <cstdint>
#include <vector>

#include "monitor/counter_paths.h"
#include "monitor/usage_history.h"

struct UsagePeriod {
    char date[11];  // "YYYY-MM-DD" for a day, "YYYY-MM" for a month
    std::uint64_t in;
    std::uint64_t out;
};

// An adapter by the name the interface list shows. The counter state follows
// the adapter's identity (its LUID), which may carry another name later.
struct UsageAdapter {
    char name[instance_name_size];
    bool hardware;     // as last seen, or as its last kept day says
    bool present;      // in the last reading
    bool has_days;     // some date holds a count of it
    bool has_counter;  // `key` and the last values are of this boot
    std::uint64_t key;
    std::uint64_t last_received;
    std::uint64_t last_sent;
};

// One adapter's bytes on one date. `kept_*` is what usage-history.csv holds
// of it; a row that has grown past that waits in usage.cfg, whole.
struct UsageDay {
    DayNumber day;
    std::int32_t adapter;
    bool hardware;
    std::uint64_t received;
    std::uint64_t sent;
    std::uint64_t kept_received;
    std::uint64_t kept_sent;
};

struct UsageCount {
    std::vector<UsageAdapter> adapters;  // never reordered: an index names one for the run
    std::vector<UsageDay> days;          // by date, then by adapter index
    bool counting;                       // a reading of this run was taken
    DayNumber today;                     // the date of the last reading
    std::int64_t system_start_s;         // this boot's start, seconds since 1970 (UTC)
    UsagePeriod day;                     // the graph's interfaces today, for the tooltip
    UsagePeriod month;                   // and this month
    bool changed;                        // since usage.cfg was last written
};

extern UsageCount usage_count;

// Adds `received` and `sent` to `adapter`'s count on `day`. Counts hold at
// the top of their range rather than wrap.
void add_usage(UsageCount& usage, std::int32_t adapter, DayNumber day, bool hardware, std::uint64_t received,
               std::uint64_t sent);

// Takes a stored total of `adapter` on `day`: counts only grow, so the larger
// of it and what is counted already is the later. `kept` marks it as what
// usage-history.csv holds.
void merge_usage(UsageCount& usage, std::int32_t adapter, DayNumber day, bool hardware,
                 std::uint64_t received, std::uint64_t sent, bool kept);

// The adapter of that name (letter case aside), made when missing; -1 when
// no more can be made.
std::int32_t usage_adapter_index(UsageCount& usage, const char* name, bool make);

// The first date's row at or after `day`, in `days`' order.
std::size_t first_usage_row(const UsageCount& usage, DayNumber day);

// Counts one reading of the whole table, taken on `today`. At the first
// reading of a run an adapter's growth counts only when the stored values are
// of the same adapter in the same boot (`same_boot`) and have not gone back;
// later, an adapter new to the run, or whose counters were reset, counts from 0.
void count_reading(UsageCount& usage, const NamedInterfaces& reading, DayNumber today, bool same_boot);

// The bytes of `adapter` (a name, or "*" for the adapters that were hardware)
// from `first` to `last`, both included.
ByteCounts usage_sum(const UsageCount& usage, const char* adapter, DayNumber first, DayNumber last);

// Today's and this month's bytes received on `download` and sent on `upload`
// (interface names or "*"), into `day` and `month`.
void derive_usage_periods(UsageCount& usage, const char* download, const char* upload);

// "Today:  1.2 gB down, 300.0 mB up" for the name "Today"; at most 38
// characters for a name of five.
void format_usage_line(char (&line)[48], const char* name, const UsagePeriod& period);
