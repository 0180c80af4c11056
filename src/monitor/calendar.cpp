#include "monitor/calendar.h"

#include <cstdio>
#include <cstring>

#include "monitor/clock.h"

// Days from civil, after the well-known era arithmetic: 400-year eras of
// 146097 days, March-based years so that a leap day ends its year.
DayNumber day_number(const CivilDate& date) {
    const std::int32_t year = date.year - (date.month <= 2 ? 1 : 0);
    const std::int32_t era = (year >= 0 ? year : year - 399) / 400;
    const std::int32_t year_of_era = year - era * 400;
    const std::int32_t day_of_year = (153 * (date.month + (date.month > 2 ? -3 : 9)) + 2) / 5 + date.day - 1;
    const std::int32_t day_of_era = year_of_era * 365 + year_of_era / 4 - year_of_era / 100 + day_of_year;
    return era * 146097 + day_of_era - 719468;
}

CivilDate civil_date(DayNumber day) {
    day += 719468;
    const std::int32_t era = (day >= 0 ? day : day - 146096) / 146097;
    const std::int32_t day_of_era = day - era * 146097;
    const std::int32_t year_of_era =
        (day_of_era - day_of_era / 1460 + day_of_era / 36524 - day_of_era / 146096) / 365;
    const std::int32_t day_of_year = day_of_era - (365 * year_of_era + year_of_era / 4 - year_of_era / 100);
    const std::int32_t shifted_month = (5 * day_of_year + 2) / 153;
    const std::int32_t month = shifted_month + (shifted_month < 10 ? 3 : -9);
    return {year_of_era + era * 400 + (month <= 2 ? 1 : 0), month,
            day_of_year - (153 * shifted_month + 2) / 5 + 1};
}

std::int32_t days_in_month(std::int32_t year, std::int32_t month) {
    static constexpr std::int32_t lengths[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (month < 1 || month > 12) return 0;
    const bool leap = year % 4 == 0 && (year % 100 != 0 || year % 400 == 0);
    return lengths[month - 1] + (month == 2 && leap ? 1 : 0);
}

bool parse_iso_date(const char* text, DayNumber* day) {
    if (!text || std::strlen(text) != 10 || text[4] != '-' || text[7] != '-') return false;
    std::int32_t parts[3] = {0, 0, 0};
    const int starts[3] = {0, 5, 8};
    const int lengths[3] = {4, 2, 2};
    for (int part = 0; part < 3; ++part) {
        for (int i = 0; i < lengths[part]; ++i) {
            const char c = text[starts[part] + i];
            if (c < '0' || c > '9') return false;
            parts[part] = parts[part] * 10 + (c - '0');
        }
    }
    const CivilDate date{parts[0], parts[1], parts[2]};
    if (date.month < 1 || date.month > 12 || date.day < 1 || date.day > days_in_month(date.year, date.month))
        return false;
    *day = day_number(date);
    return true;
}

void format_iso_date(char (&text)[11], DayNumber day) {
    const CivilDate date = civil_date(day);
    const unsigned year = static_cast<unsigned>(date.year) % 10000u;
    std::snprintf(text, sizeof text, "%04u-%02u-%02u", year, static_cast<unsigned>(date.month) % 100u,
                  static_cast<unsigned>(date.day) % 100u);
}

DayNumber local_today() {
    char text[11];
    read_local_date(text);
    DayNumber day = 0;
    return parse_iso_date(text, &day) ? day : 0;
}
