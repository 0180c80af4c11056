#include "settings/usage_file.h"

#include <cstdio>
#include <cstring>

#include "monitor/clock.h"
#include "monitor/traffic_graph.h"
#include "settings/setting_keys.h"
#include "settings/settings_file.h"
#include "settings/settings_store.h"

namespace {

constexpr char usage_file_name[] = "usage.cfg";

std::int64_t last_write_ns = 0;

// The six values as the file holds them; a key read twice keeps the last.
struct UsageTexts {
    char values[6][24];
    bool seen[6];
    bool too_long;
};

constexpr const char* usage_keys[6] = {keys::usage_day,   keys::usage_day_in,   keys::usage_day_out,
                                       keys::usage_month, keys::usage_month_in, keys::usage_month_out};

bool take_usage_pair(const char* key, const char* value, void* context) {
    UsageTexts& texts = *static_cast<UsageTexts*>(context);
    for (int i = 0; i < 6; ++i) {
        if (std::strcmp(key, usage_keys[i]) != 0) continue;
        const std::size_t length = std::strlen(value);
        texts.too_long |= length >= sizeof texts.values[i];
        std::snprintf(texts.values[i], sizeof texts.values[i], "%s", value);
        texts.seen[i] = true;
    }
    return true;
}

bool is_digits(const char* text, std::size_t length) {
    return std::strspn(text, "0123456789") == length;
}

// Two digits within [low, high].
bool two_digits_within(const char* text, int low, int high) {
    if (!is_digits(text, 2)) return false;
    const int number = (text[0] - '0') * 10 + (text[1] - '0');
    return number >= low && number <= high;
}

// "YYYY-MM-DD" (`with_day`) or "YYYY-MM"; the day goes to 31 in any month,
// since only equality with today's date matters.
bool read_date(const char* text, bool with_day, char (&date)[11]) {
    const std::size_t length = with_day ? 10 : 7;
    if (std::strlen(text) != length || !is_digits(text, 4) || text[4] != '-' ||
        !two_digits_within(text + 5, 1, 12))
        return false;
    if (with_day && (text[7] != '-' || !two_digits_within(text + 8, 1, 31))) return false;
    std::memcpy(date, text, length + 1);
    return true;
}

// Plain decimal digits within 64 bits.
bool read_count(const char* text, std::uint64_t* count) {
    const std::size_t length = std::strlen(text);
    if (length == 0 || length > 20 || !is_digits(text, length)) return false;
    std::uint64_t number = 0;
    for (const char* p = text; *p; ++p) {
        const unsigned digit = static_cast<unsigned>(*p - '0');
        if (number > (UINT64_MAX - digit) / 10) return false;
        number = number * 10 + digit;
    }
    *count = number;
    return true;
}

bool read_usage(const UsageTexts& texts, UsageCount* usage) {
    if (texts.too_long) return false;
    for (bool seen : texts.seen) {
        if (!seen) return false;
    }
    return read_date(texts.values[0], true, usage->day.date) && read_count(texts.values[1], &usage->day.in) &&
           read_count(texts.values[2], &usage->day.out) &&
           read_date(texts.values[3], false, usage->month.date) &&
           read_count(texts.values[4], &usage->month.in) && read_count(texts.values[5], &usage->month.out);
}

}  // namespace

bool load_usage_file(const char* path, UsageCount* usage) {
    UsageTexts texts{};
    UsageCount read{};
    const bool whole = read_pairs_file(path, take_usage_pair, &texts) && read_usage(texts, &read);
    usage->day = whole ? read.day : UsagePeriod{};
    usage->month = whole ? read.month : UsagePeriod{};
    return whole;
}

bool save_usage_file(const char* path, const UsageCount& usage) {
    char values[6][24];
    std::snprintf(values[0], sizeof values[0], "%s", usage.day.date);
    std::snprintf(values[1], sizeof values[1], "%llu", static_cast<unsigned long long>(usage.day.in));
    std::snprintf(values[2], sizeof values[2], "%llu", static_cast<unsigned long long>(usage.day.out));
    std::snprintf(values[3], sizeof values[3], "%s", usage.month.date);
    std::snprintf(values[4], sizeof values[4], "%llu", static_cast<unsigned long long>(usage.month.in));
    std::snprintf(values[5], sizeof values[5], "%llu", static_cast<unsigned long long>(usage.month.out));
    Setting pairs[6];
    for (int i = 0; i < 6; ++i) pairs[i] = {const_cast<char*>(usage_keys[i]), values[i]};
    return save_pairs_file(path, pairs, 6);
}

void load_usage() {
    load_usage_file(settings_path(usage_file_name), &usage_count);
    last_write_ns = monotonic_ns();
}

bool save_usage() {
    last_write_ns = monotonic_ns();
    const char* file = settings_path_for_saving(usage_file_name);
    if (!file || !save_usage_file(file, usage_count)) return false;
    usage_count.changed = false;
    return true;
}

void keep_usage(std::int64_t now_ns) {
    count_usage(usage_count, traffic_graph.download_counter, traffic_graph.upload_counter);
    if (usage_count.changed && now_ns - last_write_ns >= usage_write_interval_ns) {
        // On the window's thread: a file that another program holds is tried
        // again at the next minute, not waited for.
        SaveDeadlineScope one_try(single_try);
        save_usage();
        last_write_ns = now_ns;
    }
}

void delete_usage() {
    if (const char* file = settings_path(usage_file_name)) remove_file(file);
}
