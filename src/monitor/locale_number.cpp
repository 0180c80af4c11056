#include "monitor/locale_number.h"

#include <algorithm>
#include <cwchar>
#include <string>
#include <vector>

namespace {

using Wide = unsigned __int128;

constexpr int max_decimals = 18;  // 10^18 still fits 64 bits
constexpr int max_group_sizes = 8;
constexpr std::size_t max_group_size = 99;

struct Grouping {
    std::size_t sizes[max_group_sizes];
    int count;
    bool repeats;  // the last size goes on to the left
};

// A malformed grouping groups nothing.
Grouping parse_grouping(const wchar_t* text) {
    Grouping grouping{};
    std::size_t size = 0;
    bool digits = false;
    for (const wchar_t* at = text;; ++at) {
        if (*at >= L'0' && *at <= L'9') {
            size = size * 10 + static_cast<std::size_t>(*at - L'0');
            digits = true;
            if (size > max_group_size) return {};
            continue;
        }
        if ((*at != L';' && *at != L'\0') || !digits) return {};
        if (size == 0) {
            grouping.repeats = grouping.count > 0;
            return grouping;
        }
        if (grouping.count == max_group_sizes) return {};
        grouping.sizes[grouping.count++] = size;
        if (*at == L'\0') return grouping;
        size = 0;
        digits = false;
    }
}

// The size of the i-th group left of the decimal separator; 0 for the rest,
// which stands ungrouped.
std::size_t group_size(const Grouping& grouping, std::size_t i) {
    if (i < static_cast<std::size_t>(grouping.count)) return grouping.sizes[i];
    return grouping.repeats ? grouping.sizes[grouping.count - 1] : 0;
}

// Locales group with no-break spaces, keyboards type plain ones.
bool is_space(wchar_t c) {
    return c == L' ' || c == L'\u00A0' || c == L'\u202F';
}

bool is_blank(wchar_t c) {
    return is_space(c) || c == L'\t';
}

bool is_digit(wchar_t c) {
    return c >= L'0' && c <= L'9';
}

// The length of `separator` at `at`, 0 when it is not there.
std::size_t match(const wchar_t* at, const wchar_t* end, const wchar_t* separator) {
    const std::size_t length = std::wcslen(separator);
    if (length == 0 || length > static_cast<std::size_t>(end - at)) return 0;
    if (length == 1 && is_space(*separator)) return is_space(*at) ? 1 : 0;
    return std::wmemcmp(at, separator, length) == 0 ? length : 0;
}

// `groups`: the digits between separators, left to right. Every group but
// the leftmost is full; the leftmost holds at most its size.
bool grouped_as(const std::vector<std::size_t>& groups, const Grouping& grouping) {
    const std::size_t count = groups.size();
    for (std::size_t i = 0; i < count; ++i) {
        const std::size_t length = groups[count - 1 - i];
        const std::size_t size = group_size(grouping, i);
        const bool fits =
            i + 1 == count ? length > 0 && (size == 0 || length <= size) : size > 0 && length == size;
        if (!fits) return false;
    }
    return true;
}

}  // namespace

bool read_locale_number(const wchar_t* text, const NumberForm& form, int decimals, std::uint64_t maximum,
                        std::uint64_t* value) {
    if (decimals < 0 || decimals > max_decimals) return false;
    const wchar_t* begin = text;
    while (is_blank(*begin)) ++begin;
    const wchar_t* end = begin + std::wcslen(begin);
    while (end > begin && is_blank(end[-1])) --end;

    std::string whole, fraction;
    std::vector<std::size_t> groups;
    std::size_t run = 0;  // digits since the last group separator
    bool point = false;
    for (const wchar_t* at = begin; at < end;) {
        if (is_digit(*at)) {
            (point ? fraction : whole) += static_cast<char>(*at++);
            if (!point) ++run;
            continue;
        }
        const std::size_t group = match(at, end, form.group);
        const std::size_t decimal = match(at, end, form.decimal);
        if (point || (group == 0 && decimal == 0)) return false;
        if (group > decimal) {
            if (run == 0) return false;
            groups.push_back(run);
            run = 0;
            at += group;
        } else {
            point = true;
            at += decimal;
        }
    }
    if (whole.empty() && fraction.empty()) return false;
    if (!groups.empty()) {
        groups.push_back(run);
        if (!grouped_as(groups, parse_grouping(form.grouping))) return false;
    }

    // Over the maximum as soon as the digits so far are: nothing overflows.
    const Wide limit = maximum;
    Wide number = 0;
    for (char digit : whole) {
        number = number * 10 + static_cast<unsigned>(digit - '0');
        if (number > limit) return false;
    }
    const std::size_t kept = static_cast<std::size_t>(decimals);
    for (std::size_t i = 0; i < kept; ++i) {
        number = number * 10 + (i < fraction.size() ? static_cast<unsigned>(fraction[i] - '0') : 0);
        if (number > limit) return false;
    }
    if (fraction.size() > kept && fraction[kept] >= '5') ++number;
    if (number > limit) return false;
    *value = static_cast<std::uint64_t>(number);
    return true;
}

void write_locale_number(wchar_t (&text)[64], std::uint64_t value, int decimals, const NumberForm& form) {
    std::uint64_t unit = 1;
    for (int i = 0; i < std::clamp(decimals, 0, max_decimals); ++i) unit *= 10;
    const std::wstring whole = std::to_wstring(value / unit);
    const Grouping grouping = parse_grouping(form.grouping);
    std::wstring written;
    std::size_t left = whole.size();  // digits not yet written, from the left
    for (std::size_t i = 0;; ++i) {
        const std::size_t size = group_size(grouping, i);
        if (size == 0 || left <= size) break;
        written.insert(0, whole, left - size, size);
        written.insert(0, form.group);
        left -= size;
    }
    written.insert(0, whole, 0, left);
    if (const std::uint64_t rest = value % unit) {
        std::wstring digits = std::to_wstring(rest);
        digits.insert(0, std::to_wstring(unit).size() - 1 - digits.size(), L'0');
        digits.erase(digits.find_last_not_of(L'0') + 1);
        written += form.decimal;
        written += digits;
    }
    const std::size_t length = std::min(written.size(), sizeof text / sizeof *text - 1);
    written.copy(text, length);
    text[length] = L'\0';
}
