#include "monitor/data_plan.h"

#include <algorithm>
#include <cstdio>
#include <utility>

DataPlan data_plan = {0, plan_default_start_day, false, plan_default_warn_percent, "*"};

namespace {

using Wide = unsigned __int128;

const char* const plan_units[] = {"MB", "GB", "TB", "PB", "EB"};
constexpr int plan_unit_count = 5;
constexpr std::uint64_t tenths_limit = 10000;  // 1000.0 no longer fits the unit

std::uint64_t unit_bytes(int unit) {
    std::uint64_t bytes = plan_megabyte;
    for (int i = 0; i < unit; ++i) bytes *= 1000;
    return bytes;
}

// Tenths of the unit, exact halves rounded up.
std::uint64_t tenths_of(std::uint64_t bytes, int unit) {
    const std::uint64_t tenth = unit_bytes(unit) / 10;
    return bytes / tenth + (bytes % tenth * 2 >= tenth ? 1 : 0);
}

int fitting_unit(std::uint64_t bytes, int last_unit) {
    int unit = 0;
    while (unit < last_unit && tenths_of(bytes, unit) >= tenths_limit) ++unit;
    return unit;
}

// Only tenths below 10000 come here: every text fits its unit.
void write_tenths(char (&text)[16], std::uint64_t tenths) {
    const unsigned shown = static_cast<unsigned>(std::min<std::uint64_t>(tenths, tenths_limit - 1));
    std::snprintf(text, sizeof text, "%u.%u", shown / 10, shown % 10);
}

std::uint64_t saturated(Wide value) {
    return value > UINT64_MAX ? UINT64_MAX : static_cast<std::uint64_t>(value);
}

DayNumber period_start(std::int32_t year, std::int32_t month, std::int32_t start_day) {
    return day_number({year, month, std::min(start_day, days_in_month(year, month))});
}

}  // namespace

PlanPeriod plan_period(std::int32_t start_day, DayNumber today) {
    const CivilDate date = civil_date(today);
    std::int32_t year = date.year, month = date.month;
    if (today < period_start(year, month, start_day)) {
        if (--month == 0) month = 12, --year;
    }
    const DayNumber first = period_start(year, month, start_day);
    if (++month == 13) month = 1, ++year;
    return {first, period_start(year, month, start_day) - 1};
}

std::uint64_t plan_bytes(const DataPlan& plan, const ByteCounts& counts) {
    if (plan.download_only) return counts.received;
    return counts.received > UINT64_MAX - counts.sent ? UINT64_MAX : counts.received + counts.sent;
}

PlanStatus plan_status(const DataPlan& plan, DayNumber today, std::uint64_t used,
                       std::uint64_t used_before_today) {
    PlanStatus status{};
    status.period = plan_period(plan.start_day, today);
    status.used = used;
    status.allowance = static_cast<std::uint64_t>(std::max<std::int64_t>(plan.limit_mb, 0)) * plan_megabyte;
    status.days_left = status.period.last - today + 1;
    if (status.allowance > 0) {
        const Wide percent = Wide(used) * 100 / status.allowance;
        status.percent = static_cast<std::int32_t>(std::min<Wide>(percent, 99999));
        status.over_warning = Wide(used) * 100 >= Wide(status.allowance) * plan.warn_percent;
    }
    const std::int32_t elapsed = today - status.period.first;
    status.has_projection = elapsed >= 2;
    if (status.has_projection) {
        // `used` already holds today: the pace carries on from tomorrow.
        const std::uint32_t days_after_today = static_cast<std::uint32_t>(status.days_left - 1);
        const Wide ahead = Wide(used_before_today) * days_after_today / static_cast<std::uint32_t>(elapsed);
        status.projected = saturated(Wide(used) + ahead);
    }
    return status;
}

std::int32_t plan_warning_level(const PlanStatus& status) {
    if (status.allowance == 0) return 0;
    if (status.used >= status.allowance) return 2;
    return status.over_warning ? 1 : 0;
}

PlanWarningStep step_plan_warning(const PlanWarningState& state, const PlanStatus& status) {
    PlanWarningState told = state;
    if (told.period_first != status.period.first) told = {status.period.first, 0};
    const std::int32_t level = plan_warning_level(status);
    if (level > told.level) return {{told.period_first, level}, level};
    return {{told.period_first, level}, 0};
}

void format_plan_bytes(char (&text)[16], std::uint64_t bytes) {
    const int unit = fitting_unit(bytes, plan_unit_count - 1);
    char number[16];
    write_tenths(number, tenths_of(bytes, unit));
    std::snprintf(text, sizeof text, "%.12s %.2s", number, plan_units[unit]);
}

void format_plan_usage(char (&text)[96], const PlanStatus& status) {
    char used[16], allowance[16];
    format_plan_bytes(used, status.used);
    format_plan_bytes(allowance, status.allowance);
    std::snprintf(text, sizeof text, "%.15s of %.15s used (%d %%), %d %.4s left", used, allowance,
                  static_cast<int>(status.percent), static_cast<int>(status.days_left),
                  status.days_left == 1 ? "day" : "days");
}

void format_plan_pace(char (&text)[96], const PlanStatus& status, const char* last_date) {
    text[0] = '\0';
    if (!status.has_projection) return;
    char projected[16];
    format_plan_bytes(projected, status.projected);
    std::snprintf(text, sizeof text, "At this pace: %.15s by %.60s", projected, last_date);
}

// Both figures in the unit of the larger, MB up to TB; what does not fit in
// five characters there is ">999".
void format_plan_tip_line(char (&line)[48], const PlanStatus& status) {
    constexpr int terabytes = 2;
    const int unit = fitting_unit(std::max(status.used, status.allowance), terabytes);
    char used[16], allowance[16];
    for (auto [text, bytes] : {std::pair{&used, status.used}, std::pair{&allowance, status.allowance}}) {
        const std::uint64_t tenths = tenths_of(bytes, unit);
        if (tenths >= tenths_limit)
            std::snprintf(*text, sizeof *text, ">999");
        else
            write_tenths(*text, tenths);
    }
    std::snprintf(line, sizeof line, "Plan:  %.5s of %.5s %.2s, %d %.4s left%.2s", used, allowance,
                  plan_units[unit], static_cast<int>(std::clamp(status.days_left, 0, 99)),
                  status.days_left == 1 ? "day" : "days", status.over_warning ? " !" : "");
}

void format_plan_usage_line(char (&line)[48], const char* name, std::uint64_t in, std::uint64_t out) {
    char received[16], sent[16];
    format_plan_bytes(received, in);
    format_plan_bytes(sent, out);
    std::snprintf(line, sizeof line, "%.5s:  %.10s down, %.10s up", name, received, sent);
}

void format_plan_balloon(char (&text)[128], const PlanStatus& status) {
    char usage[96];
    format_plan_usage(usage, status);
    std::snprintf(text, sizeof text, "Data plan: %.95s", usage);
}
