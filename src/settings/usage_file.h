// usage.cfg, this machine's newest counts, in the settings file's format:
// today's and this month's traffic of the graph's interfaces under the six
// "usage." keys that earlier versions wrote, and under "adapter.", "router."
// and "plan." keys what the counting needs to go on after a restart.
//
// Where every count lives. usage-history.csv holds each date's count of each
// adapter as it was when the history was last written. usage.cfg holds every
// count that has changed since, whole, and the counters' values (the base
// that growth is counted from) with the boot they belong to and the time
// since its start when they were read. So a count's one
// home is usage.cfg while usage.cfg lists it, and the history otherwise.
//
// The order of writing keeps that true through a crash at any point: each
// file is replaced in one step, and the history is written only after a
// usage.cfg of the same snapshot is in place. Whichever of the two a crash
// leaves, the history agrees with that usage.cfg wherever usage.cfg does not
// list a count. A start reads the history, lets usage.cfg's counts stand over
// it, and, in the same boot, counts the counters' growth since usage.cfg's
// base at its first reading; that reading's base is saved at once.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "monitor/data_plan.h"
#include "monitor/usage_count.h"
#include "settings/settings_file_platform.h"

// A file of the counts that their move from the roaming folder could not
// remove, as it was then: left there, another machine on the profile would
// take it over. A file that an earlier version writes there again is its own.
struct LeftBehind {
    std::string name;
    FileStamp stamp;
};

// What usage.cfg tells besides the counts.
struct UsageFileState {
    bool system_start_known;
    std::int64_t system_start_s;
    PlanWarningState plan;
    std::vector<LeftBehind> left_behind;
    bool unreadable;  // there, but not read whole: nothing was taken
};

// Takes the counts of the file into `usage`, over what the history gave, and
// its counter bases. A file of the earlier version, with the six keys alone,
// is taken over: the day's counts to its date, the rest of the month to its
// first day, received bytes under `download` and sent bytes under `upload`
// ("*" when empty), counted as hardware, none below what is there. False when
// the file is missing or damaged; a damaged line of an adapter leaves that
// line out, a damaged earlier version's file gives nothing.
bool load_usage_file(const char* path, UsageCount* usage, UsageFileState* state, const char* download,
                     const char* upload);

// The file's content: the six keys from `usage.day` and `usage.month`, then
// every adapter with counter bases or counts the history does not hold as
// they are, the router's base, then the plan's warned state.
std::string usage_file_text(const UsageCount& usage, const PlanWarningState& plan);

// Its lines for the roamed files whose removal is still owed.
std::string left_behind_text(const std::vector<LeftBehind>& left);

constexpr char usage_file_name[] = "usage.cfg";
