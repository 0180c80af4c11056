// usage.cfg read late. While another program holds it, the counting goes on
// as after another boot, without the file's counter bases, and nothing is
// written. Once it is read, the counts made meanwhile are added to the
// file's, and, in the same boot, the growth from its bases to the run's first
// reading too: nothing is lost that a start in time would have counted, and
// nothing is counted twice.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "monitor/counter_source.h"
#include "monitor/usage_count.h"
#include "settings/usage_file.h"

// The file as the save worker read it, into counts of its own.
struct LateUsage {
    UsageCount file;
    UsageFileState state;
};

// usage.cfg at start, into `usage`: one that another program holds is tried
// again until the save's deadline.
UsageFileState read_usage_file_at_start(const char* path, UsageCount* usage, const char* download,
                                        const char* upload);

// usage.cfg again, on the save worker, into counts of its own; null while it
// is still unreadable.
std::unique_ptr<LateUsage> read_late_usage(const char* path, const char* download, const char* upload);

// What the counting did while the file was unread: the run's first reading,
// and each identity that came after it, counted whole then, as new in the boot.
struct UnreadCounting {
    struct Appeared {
        std::uint64_t key;
        std::int32_t adapter;
        DayNumber day;
        std::uint64_t received;
        std::uint64_t sent;
    };
    std::unique_ptr<NamedInterfaces> first_reading;
    DayNumber first_day;
    std::int64_t first_uptime_ms;
    std::vector<std::uint64_t> seen;
    std::vector<Appeared> appeared;
};

// After each reading counted while the file is unread.
void note_unread_reading(UnreadCounting& counting, const UsageCount& usage, const NamedInterfaces& reading,
                         bool first, std::int64_t uptime_ms);

// The file's counts into `usage`, this run's growth over each; with
// `same_boot`, the growth since the file's bases as well, those bases kept
// for identities that are away, and the identities that came meanwhile
// counted from their bases only.
void merge_late_usage(UsageCount& usage, const LateUsage& late, const UnreadCounting& counting,
                      bool same_boot);

// The warnings of the later period, or the higher of one period.
PlanWarningState later_plan_warnings(const PlanWarningState& a, const PlanWarningState& b);
