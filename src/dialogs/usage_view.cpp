#include "dialogs/usage_view.h"

#include <cstdio>

#include "monitor/format_rate.h"

UsageView usage_view = {};

namespace {

SYSTEMTIME system_date(DayNumber day) {
    const CivilDate date = civil_date(day);
    SYSTEMTIME time{};
    time.wYear = static_cast<WORD>(date.year);
    time.wMonth = static_cast<WORD>(date.month);
    time.wDay = static_cast<WORD>(date.day);
    return time;
}

}  // namespace

void format_usage_count(char (&text)[16], std::uint64_t bytes) {
    if (usage_view.plan_valid && plan_is_set(usage_view.plan))
        format_plan_bytes(text, bytes);
    else
        format_byte_count(text, bytes);
}

void format_usage_totals(char (&text)[48], const ByteCounts& counts) {
    char in[16], out[16];
    format_usage_count(in, counts.received);
    format_usage_count(out, counts.sent);
    std::snprintf(text, sizeof text, "%.15s down, %.15s up", in, out);
}

void format_local_date(char* text, int size, DayNumber day, DWORD flags) {
    const SYSTEMTIME time = system_date(day);
    if (!GetDateFormatA(LOCALE_USER_DEFAULT, flags, &time, nullptr, text, size)) text[0] = '\0';
}

void format_day_and_month(char (&text)[64], DayNumber day) {
    char pattern[80] = {};
    const SYSTEMTIME time = system_date(day);
    if (GetLocaleInfoA(LOCALE_USER_DEFAULT, LOCALE_SMONTHDAY, pattern, sizeof pattern) &&
        GetDateFormatA(LOCALE_USER_DEFAULT, 0, &time, pattern, text, sizeof text))
        return;
    format_local_date(text, sizeof text, day, DATE_SHORTDATE);
}

void format_bar_date(char (&text)[64], int bar) {
    format_local_date(text, sizeof text, usage_view.bar_first[bar],
                      usage_view.months ? DATE_YEARMONTH : DATE_LONGDATE);
}

void format_bar_totals(char (&text)[48], int bar) {
    const UsageChartBar& shown = usage_view.bars[bar];
    format_usage_totals(text, {shown.received, shown.sent});
}
