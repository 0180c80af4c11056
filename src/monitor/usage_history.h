// Every day's traffic of every adapter: what the Usage window, the tooltip
// and the data plan ask of the counts, whether a day is still in usage.cfg or
// already in usage-history.csv.
#pragma once

#include <cstdint>

// A local calendar date as days since 1970-01-01 (proleptic Gregorian).
using DayNumber = std::int32_t;

struct CivilDate {
    std::int32_t year;
    std::int32_t month;  // 1..12
    std::int32_t day;    // 1..31
};

DayNumber day_number(const CivilDate& date);
CivilDate civil_date(DayNumber day);
std::int32_t days_in_month(std::int32_t year, std::int32_t month);
// "YYYY-MM-DD" of a date that exists; false for anything else.
bool parse_iso_date(const char* text, DayNumber* day);
void format_iso_date(char (&text)[11], DayNumber day);
// Today on the local calendar, through `read_local_date`.
DayNumber local_today();

struct ByteCounts {
    std::uint64_t received;
    std::uint64_t sent;
};

// Stands for the sum over the adapters that were hardware, as "*" does for the graph.
constexpr char all_hardware_adapters[] = "*";

// The adapters with kept days or present now, by the names the interface
// list shows, in a stable order.
std::int32_t usage_adapter_count();
const char* usage_adapter_name(std::int32_t index);
bool usage_adapter_is_hardware(std::int32_t index);

// The bytes of `adapter` (a name, or `all_hardware_adapters`) from `first`
// to `last`, both included: kept days and those not yet in the history alike.
ByteCounts usage_between(const char* adapter, DayNumber first, DayNumber last);

// The earliest date with any count; false when nothing is counted yet.
bool usage_first_date(DayNumber* day);

// True once after a history file that could not be read whole was set aside
// as "usage-history.bad.csv", so that the Usage window says so once.
bool take_history_set_aside_notice();
// Raises that notice; the history file's reader calls it.
void note_history_set_aside();

// Writes every kept day of every adapter, the current date's counts
// included, in usage-history.csv's format to `path` (UTF-8), by the same
// temporary-file-and-replace as the settings. False on any failure.
bool export_usage_history(const char* path);

// The data plan's warnings already given (0 none, 1 the warning percentage,
// 2 the whole allowance) in the period that starts on `period_first`; kept
// in usage.cfg under "plan." keys so that a restart does not repeat them.
struct PlanWarningState {
    DayNumber period_first;
    std::int32_t level;
};
extern PlanWarningState plan_warning_state;
// Marks the state changed, so that usage.cfg is written with the next save.
void note_plan_warning_changed();
