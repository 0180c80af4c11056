#include "monitor/usage_count.h"

#include <cstdio>
#include <cstring>

#include "monitor/clock.h"
#include "monitor/format_rate.h"

UsageCount usage_count = {};

namespace {

void start_period(UsagePeriod& period, const char* date, std::size_t length) {
    std::snprintf(period.date, sizeof period.date, "%.*s", static_cast<int>(length), date);
    period.in = 0;
    period.out = 0;
}

// Years of counting at any speed stay far below the top; it holds there.
void add_bytes(std::uint64_t& total, std::uint64_t bytes) {
    total = total > UINT64_MAX - bytes ? UINT64_MAX : total + bytes;
}

}  // namespace

std::uint64_t take_change(CountedTotal& base, const CounterTotal* now) {
    if (!now) return 0;
    const bool comparable = base.known && base.last.basis == now->basis && now->bytes >= base.last.bytes;
    const std::uint64_t change = comparable ? now->bytes - base.last.bytes : 0;
    base.known = true;
    base.last = *now;
    return change;
}

void roll_usage_over(UsageCount& usage, const char (&today)[11]) {
    constexpr std::size_t month_length = 7;  // "YYYY-MM"
    if (std::strcmp(usage.day.date, today) != 0) {
        start_period(usage.day, today, sizeof today - 1);
        usage.changed = true;
    }
    if (std::strlen(usage.month.date) != month_length ||
        std::strncmp(usage.month.date, today, month_length) != 0) {
        start_period(usage.month, today, month_length);
        usage.changed = true;
    }
}

void count_usage(UsageCount& usage, PDH_HCOUNTER download, PDH_HCOUNTER upload) {
    char today[11];
    read_local_date(today);
    roll_usage_over(usage, today);
    CounterTotal total;
    const std::uint64_t in =
        take_change(usage.download, counter_byte_total(download, &total) ? &total : nullptr);
    const std::uint64_t out =
        take_change(usage.upload, counter_byte_total(upload, &total) ? &total : nullptr);
    if (in == 0 && out == 0) return;
    add_bytes(usage.day.in, in);
    add_bytes(usage.month.in, in);
    add_bytes(usage.day.out, out);
    add_bytes(usage.month.out, out);
    usage.changed = true;
}

void format_usage_line(char (&line)[48], const char* name, const UsagePeriod& period) {
    char in[16];
    char out[16];
    format_byte_count(in, period.in);
    format_byte_count(out, period.out);
    std::snprintf(line, sizeof line, "%s:  %s down, %s up", name, in, out);
}
