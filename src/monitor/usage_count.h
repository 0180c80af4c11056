// Every adapter's traffic per local calendar date, counted from the byte
// counters of the whole interface table, whatever the graph shows. Today's and
// this month's figures for the graph's interfaces are derived from it.
#pragma once

#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

#include "monitor/calendar.h"
#include "monitor/counter_source.h"
#include "monitor/router_step.h"

struct ByteCounts {
    std::uint64_t received;
    std::uint64_t sent;
};

// Stands for the sum over the adapters that were hardware, as "*" does for the graph.
constexpr char all_hardware_adapters[] = "*";

// Far more than any machine has; a hostile file cannot make more.
constexpr std::size_t max_usage_adapters = 4096;
constexpr std::size_t max_usage_counters = 4096;
// usage.cfg's entries, numbered from 1: one per counter base, and one per
// adapter whose rows grew without a base. Its writer never writes more and
// its reader takes every one.
constexpr std::size_t max_usage_file_entries = max_usage_counters + max_usage_adapters;

struct UsagePeriod {
    char date[11];  // "YYYY-MM-DD" for a day, "YYYY-MM" for a month
    std::uint64_t in;
    std::uint64_t out;
};

// An adapter by the name the interface list shows.
struct UsageAdapter {
    char name[instance_name_size];
    bool hardware;  // as last seen, or as its last kept day says
    bool present;   // in the last reading
    bool has_days;  // some date holds a count of it
};

// A base's time that is not known (kept by an earlier version).
constexpr std::int64_t unknown_uptime = -1;

// One identity's counters (its LUID) as last seen in this boot: the base its
// growth is counted from, each way with the time of the reading that gave it
// (a glitch keeps an older one). It outlives the adapter's absence, since the
// same identity may come back with its counters gone on.
struct UsageCounter {
    std::uint64_t key;
    std::uint64_t received;
    std::uint64_t sent;
    std::int64_t received_ms;  // milliseconds since the system started; unknown_uptime
    std::int64_t sent_ms;
    std::int32_t adapter;  // the name it bore when last seen
};

// One adapter's bytes on one date, and what usage-history.csv holds of them.
struct UsageDay {
    DayNumber day;
    std::int32_t adapter;
    bool hardware;
    std::uint64_t received;
    std::uint64_t sent;
    std::uint64_t filed_received;
    std::uint64_t filed_sent;
};

inline bool grown_past_file(const UsageDay& row) {
    return row.received != row.filed_received || row.sent != row.filed_sent;
}

// A row of usage-history.csv that no adapter of the count can take: its name
// is past the limit of names, or cannot be spelt in the ANSI code page. It is
// not counted, and is written back as it was. `name` is UTF-8.
struct KeptHistoryRow {
    DayNumber day;
    std::string name;
    bool hardware;
    std::uint64_t received;
    std::uint64_t sent;
};

// The household's router's counters as last counted: the base its growth is
// counted from, and whose they are. Unlike an adapter's, it outlives the
// PC's restarts: the router goes on meanwhile.
struct RouterCounter {
    bool known;
    char identity[router_text_size];
    RouterBase base;
};

struct UsageCount {
    std::vector<UsageAdapter> adapters;  // never reordered: an index names one for the run
    // The index of each adapter by its name in lower case, for the first
    // `indexed` adapters; the rest are added when next looked for. Whoever
    // gives a record another list of adapters gives it no index (or sets
    // `indexed` past the list's end, which has it made anew).
    std::unordered_map<std::string, std::int32_t> adapter_lookup;
    std::size_t indexed;
    std::vector<UsageCounter> counters;  // every identity of this boot seen
    std::vector<UsageDay> days;          // by date, then by adapter index
    std::vector<KeptHistoryRow> kept;    // by date, then by name's bytes
    RouterCounter router;
    bool counting;                       // a reading of this run was taken
    DayNumber today;                     // the date of the last reading
    std::int64_t system_start_s;         // this boot's start, seconds since 1970 (UTC)
    UsagePeriod day;                     // the graph's interfaces today, for the tooltip
    UsagePeriod month;                   // and this month
    bool changed;                        // counts or counters, since they were last handed to a save
    bool new_base;                       // a counter base that no save holds yet: to be kept at once
};

extern UsageCount usage_count;

// Adds `received` and `sent` to `adapter`'s count on `day`. Counts hold at
// the top of their range rather than wrap.
void add_usage(UsageCount& usage, std::int32_t adapter, DayNumber day, bool hardware, std::uint64_t received,
               std::uint64_t sent);

// A count as a file holds it. `filed` (usage-history.csv's) is the file's own
// and takes the larger of a repeated row; otherwise it is usage.cfg's newer
// total, which stands whatever the history holds.
void take_filed_usage(UsageCount& usage, std::int32_t adapter, DayNumber day, bool hardware,
                      std::uint64_t received, std::uint64_t sent, bool filed);
// A total of an earlier version's file: the larger of it and what is counted.
void merge_usage(UsageCount& usage, std::int32_t adapter, DayNumber day, bool hardware,
                 std::uint64_t received, std::uint64_t sent);

// The adapter of that name (letter case aside), made when missing; -1 when
// no more can be made.
std::int32_t usage_adapter_index(UsageCount& usage, const char* name, bool make);

// The first date's row at or after `day`, in `days`' order.
std::size_t first_usage_row(const UsageCount& usage, DayNumber day);

// At a start taken for another boot, which a clock set while the program was
// closed makes of this one: bases read later after the system's start than
// `uptime_ms` are of another boot for sure, and go. The others may be of this
// one, read at `uptime_ms` at the latest, and stay as if read then. The
// router's base stays, read at a time not known.
void keep_bases_of_this_boot(UsageCount& usage, std::int64_t uptime_ms);

// Counts one reading of the whole table, taken on `today`, `uptime_ms` after
// the system started. Each row is matched by its identity against the
// counters from before the reading. An identity's growth counts from its
// stored counters, or from 0 for one that came since; at the first reading of
// another boot (`same_boot` false) those in the reading count nothing.
// Counters below their base count as classify_counter_step tells: a reset
// from 0, a glitch or the unknown not at all.
void count_reading(UsageCount& usage, const NamedInterfaces& reading, DayNumber today, bool same_boot,
                   std::int64_t uptime_ms);

// The bytes of `adapter` (a name, or "*" for the adapters that were hardware)
// from `first` to `last`, both included.
ByteCounts usage_sum(const UsageCount& usage, const char* adapter, DayNumber first, DayNumber last);

// Today's and this month's bytes received on `download` and sent on `upload`
// (interface names or "*"), into `day` and `month`.
void derive_usage_periods(UsageCount& usage, const char* download, const char* upload);

// "Today:  1.2 gB down, 300.0 mB up" for the name "Today"; at most 38
// characters for a name of five.
void format_usage_line(char (&line)[48], const char* name, const UsagePeriod& period);
