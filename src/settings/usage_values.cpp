#include "settings/usage_values.h"

#include <cstdio>
#include <cstring>

bool read_count(const char* text, std::uint64_t* count) {
    const std::size_t length = std::strlen(text);
    if (length == 0 || length > 20 || std::strspn(text, "0123456789") != length) return false;
    std::uint64_t number = 0;
    for (const char* p = text; *p; ++p) {
        const unsigned digit = static_cast<unsigned>(*p - '0');
        if (number > (UINT64_MAX - digit) / 10) return false;
        number = number * 10 + digit;
    }
    *count = number;
    return true;
}

bool read_count_pair(const char* text, std::uint64_t* received, std::uint64_t* sent) {
    const char* comma = std::strchr(text, ',');
    if (!comma || static_cast<std::size_t>(comma - text) > 20) return false;
    char first[21];
    std::memcpy(first, text, static_cast<std::size_t>(comma - text));
    first[comma - text] = '\0';
    return read_count(first, received) && read_count(comma + 1, sent);
}

bool read_signed(const char* text, std::int64_t* number) {
    const bool negative = *text == '-';
    std::uint64_t magnitude = 0;
    if (!read_count(text + (negative ? 1 : 0), &magnitude) || magnitude > INT64_MAX) return false;
    *number = negative ? -static_cast<std::int64_t>(magnitude) : static_cast<std::int64_t>(magnitude);
    return true;
}

std::string count_text(std::uint64_t count) {
    char text[24];
    std::snprintf(text, sizeof text, "%llu", static_cast<unsigned long long>(count));
    return text;
}

std::string count_pair_text(std::uint64_t received, std::uint64_t sent) {
    return count_text(received) + "," + count_text(sent);
}

void add_line(std::string& text, const std::string& key, const std::string& value) {
    text += key;
    text += '\t';
    text += value;
    text += '\n';
}
