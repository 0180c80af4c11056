// Local calendar dates as day numbers: what the counts are kept by, and what
// the files and the Usage window write them as.
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
