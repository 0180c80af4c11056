#include "settings/setting_values.h"

#include <cstdio>

#include "settings/settings_store.h"

namespace {

bool is_blank(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

}  // namespace

std::int64_t read_setting_int64(const char* text) {
    const char* p = text;
    while (is_blank(*p)) ++p;
    bool negative = false;
    if (*p == '+' || *p == '-') negative = *p++ == '-';
    // Stop growing just past the 64-bit range, so no length of digits can
    // overflow the unsigned accumulator.
    const std::uint64_t limit = UINT64_C(1) << 63;
    std::uint64_t magnitude = 0;
    for (; *p >= '0' && *p <= '9'; ++p) {
        if (magnitude <= limit)
            magnitude = magnitude > limit / 10 ? limit + 1 : magnitude * 10 + static_cast<unsigned>(*p - '0');
    }
    if (negative) return magnitude >= limit ? INT64_MIN : -static_cast<std::int64_t>(magnitude);
    return magnitude > static_cast<std::uint64_t>(INT64_MAX) ? INT64_MAX
                                                             : static_cast<std::int64_t>(magnitude);
}

namespace {

std::int32_t nearest_int32(std::int64_t number) {
    if (number < INT32_MIN) return INT32_MIN;
    return number > INT32_MAX ? INT32_MAX : static_cast<std::int32_t>(number);
}

}  // namespace

std::int32_t read_setting_int(const char* text) {
    return nearest_int32(read_setting_int64(text));
}

std::int64_t get_setting_int64(const char* key, std::int64_t fallback) {
    Setting* pair = find_setting(key);
    if (pair && pair->value) return read_setting_int64(pair->value);
    const char* stored = set_setting_int64(key, fallback);
    // Out of memory: the default still applies, unstored.
    return stored ? read_setting_int64(stored) : fallback;
}

const char* set_setting_int64(const char* key, std::int64_t number) {
    char text[32];
    std::snprintf(text, sizeof text, "%lld", static_cast<long long>(number));
    return set_setting(key, text);
}

// A 32-bit number is written in the same digits either way.
std::int32_t get_setting_int(const char* key, std::int32_t fallback) {
    return nearest_int32(get_setting_int64(key, fallback));
}

const char* set_setting_int(const char* key, std::int32_t number) {
    return set_setting_int64(key, number);
}
