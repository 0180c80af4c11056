// Today's and this month's traffic: the bytes that the graph's download
// interface received and its upload interface sent, per local calendar day
// and month, taken from the counters' byte totals rather than from rates.
#pragma once

#include <cstdint>

#include "monitor/counter_source.h"

struct UsagePeriod {
    char date[11];  // "YYYY-MM-DD" for a day, "YYYY-MM" for a month
    std::uint64_t in;
    std::uint64_t out;
};

// One direction's counter total at the last count that had one.
struct CountedTotal {
    bool known;
    CounterTotal last;
};

struct UsageCount {
    UsagePeriod day;
    UsagePeriod month;
    CountedTotal download;
    CountedTotal upload;
    bool changed;  // since it was last written
};

extern UsageCount usage_count;

// The bytes since the last total of the same basis, which `now` then replaces.
// No total (null) keeps the last one, so that the next covers the gap; a total
// that went backwards or stands for something else counts nothing.
std::uint64_t take_change(CountedTotal& base, const CounterTotal* now);

// A `today` ("YYYY-MM-DD") that is not the day's date starts the day again at
// 0, a new day or the clock set back alike; its first seven characters do the
// same for the month.
void roll_usage_over(UsageCount& usage, const char (&today)[11]);

// Adds what the two counters counted since the last call to today and this
// month, on the local date that `read_local_date` gives.
void count_usage(UsageCount& usage, PDH_HCOUNTER download, PDH_HCOUNTER upload);

// "Today:  1.2 gB down, 300.0 mB up" for the name "Today"; at most 38
// characters for a name of five.
void format_usage_line(char (&line)[48], const char* name, const UsagePeriod& period);
