// A monthly data plan: an allowance counted as providers bill it (1 MB =
// 1,000,000 bytes, 1 GB = 1,000 MB), its billing period, how far into it the
// use has come, and when to warn. No window system here: the Usage window,
// the tooltip and the balloon only show what these give.
#pragma once

#include <cstdint>

#include "monitor/usage_count.h"

struct DataPlan {
    std::int64_t limit_mb;      // the allowance in those MB; 0 = no plan
    std::int32_t start_day;     // 1..31: the day of the month a period starts
    bool download_only;         // else download and upload count
    std::int32_t warn_percent;  // 1..99
    char adapter[512];          // an adapter's name, or all_hardware_adapters
};

extern DataPlan data_plan;

constexpr std::uint64_t plan_megabyte = 1'000'000;
// Far beyond any allowance sold, and its bytes stay far inside 64 bits.
constexpr std::int64_t plan_limit_mb_max = 1'000'000'000'000;
constexpr std::int32_t plan_default_start_day = 1;
constexpr std::int32_t plan_default_warn_percent = 80;

inline bool plan_is_set(const DataPlan& plan) {
    return plan.limit_mb > 0;
}

// First and last date of a billing period, both included.
struct PlanPeriod {
    DayNumber first;
    DayNumber last;
};

// The period that holds `today`. A start day beyond a month's end means that
// month's last day.
PlanPeriod plan_period(std::int32_t start_day, DayNumber today);

// The bytes the plan counts of an adapter's received and sent bytes.
std::uint64_t plan_bytes(const DataPlan& plan, const ByteCounts& counts);

struct PlanStatus {
    PlanPeriod period;
    std::uint64_t used;       // from the period's first date through today
    std::uint64_t allowance;  // bytes
    std::int32_t days_left;   // today through the period's last date: 1 on the last
    std::int32_t percent;     // of the allowance used, rounded down
    bool over_warning;        // at or over the warning percentage
    bool has_projection;      // once two whole days of the period have passed
    std::uint64_t projected;  // the use so far and the pace over the days after today
};

// `used` runs from the period's first date through today, `used_before_today`
// through yesterday (the pace takes whole days only).
PlanStatus plan_status(const DataPlan& plan, DayNumber today, std::uint64_t used,
                       std::uint64_t used_before_today);

// 0 below the warning percentage, 1 at or over it, 2 at or over the whole allowance.
std::int32_t plan_warning_level(const PlanStatus& status);

// The data plan's warnings already given (0 none, 1 the warning percentage,
// 2 the whole allowance) in the period that starts on `period_first`.
struct PlanWarningState {
    DayNumber period_first;
    std::int32_t level;
};

// What the balloons have told in the period: `next` is the state to keep,
// `balloon` the level whose balloon is due now (0 for none). Each level is
// told once a period; a new period, or a use back under a level (a larger
// allowance), arms it again.
struct PlanWarningStep {
    PlanWarningState next;
    std::int32_t balloon;
};
PlanWarningStep step_plan_warning(const PlanWarningState& state, const PlanStatus& status);

// A byte count in the plan's units: "0.4 MB", "41.2 GB", "1.1 TB", up to EB;
// at most 8 characters.
void format_plan_bytes(char (&text)[16], std::uint64_t bytes);

// "41.2 GB of 50.0 GB used (82 %), 9 days left" ("1 day left" on the last).
void format_plan_usage(char (&text)[96], const PlanStatus& status);
// "At this pace: 58.1 GB by 14 Jan", with the period's last date as the
// caller writes it; empty until the status has a projection.
void format_plan_pace(char (&text)[96], const PlanStatus& status, const char* last_date);
// The tooltip's line: "Plan:  41.2 of 50.0 GB, 9 days left", both figures in
// one unit of at most 5 characters each (">999 TB" beyond), and " !" at the
// end while the use is over the warning percentage. At most 40 characters.
void format_plan_tip_line(char (&line)[48], const PlanStatus& status);
// "Today:  1.2 GB down, 300.0 MB up": the tooltip's usage line in the plan's
// units; at most 34 characters for a name of five.
void format_plan_usage_line(char (&line)[48], const char* name, std::uint64_t in, std::uint64_t out);
// The balloon's text: "Data plan: " and the usage text.
void format_plan_balloon(char (&text)[128], const PlanStatus& status);
