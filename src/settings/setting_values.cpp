#include "settings/setting_values.h"

#include <cstdio>

#include "settings/settings_store.h"

namespace {

bool is_blank(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

}  // namespace

std::int32_t read_setting_int(const char* text) {
    const char* p = text;
    while (is_blank(*p)) ++p;
    bool negative = false;
    if (*p == '+' || *p == '-') negative = *p++ == '-';
    // Accumulate in 64 bits and stop growing just past the 32-bit range, so no
    // length of digits can overflow.
    const std::int64_t limit = INT64_C(1) << 31;
    std::int64_t magnitude = 0;
    for (; *p >= '0' && *p <= '9'; ++p) {
        if (magnitude <= limit) magnitude = magnitude * 10 + (*p - '0');
    }
    if (negative) return magnitude >= limit ? INT32_MIN : static_cast<std::int32_t>(-magnitude);
    return magnitude > INT32_MAX ? INT32_MAX : static_cast<std::int32_t>(magnitude);
}

std::int32_t get_setting_int(const char* key, std::int32_t fallback) {
    Setting* pair = find_setting(key);
    if (pair && pair->value) return read_setting_int(pair->value);
    const char* stored = set_setting_int(key, fallback);
    // Out of memory: the default still applies, unstored.
    return stored ? read_setting_int(stored) : fallback;
}

const char* set_setting_int(const char* key, std::int32_t number) {
    char text[32];
    std::snprintf(text, sizeof text, "%d", static_cast<int>(number));
    return set_setting(key, text);
}
