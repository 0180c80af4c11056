#include "format_rate.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace {

const char* const units[] = {"bytes", "kB", "mB", "gB", "tB", "pB"};
constexpr int unit_count = 6;

// One decimal, exact halves away from zero. x times 10 is exact for every
// integer divided by a power of 1024, so rounding it decides every case.
// Gives the whole text's length; the field holds what fits of it.
int write_rate(char (&text)[16], double x, int unit) {
    char whole_text[64];
    const double tenths = std::round(x * 10.0);
    int length;
    if (std::fabs(tenths) >= 1e15) {
        length = std::snprintf(whole_text, sizeof whole_text, "%.1f %s", x, units[unit]);
    } else {
        const long long whole = static_cast<long long>(tenths);
        length = std::snprintf(whole_text, sizeof whole_text, "%s%lld.%lld %s", whole < 0 ? "-" : "",
                               std::llabs(whole / 10), std::llabs(whole % 10), units[unit]);
    }
    std::snprintf(text, sizeof text, "%.15s", whole_text);
    return length;
}

}  // namespace

void format_rate(char (&text)[16], double value) {
    int unit = 0;
    double x = value;
    while (x >= 1024 && unit + 1 < unit_count) {
        x *= 0.0009765625;
        ++unit;
    }
    if (write_rate(text, x, unit) < static_cast<int>(sizeof text)) return;
    // Only large negative values (a negative scale from a hand-edited file)
    // get here; scaling their magnitude keeps the text whole.
    while (std::fabs(x) >= 1024 && unit + 1 < unit_count) {
        x *= 0.0009765625;
        ++unit;
    }
    write_rate(text, x, unit);
}

void format_byte_count(char (&text)[16], std::uint64_t bytes) {
    if (bytes < 1024) {
        std::snprintf(text, sizeof text, "%u bytes", static_cast<unsigned>(bytes));
        return;
    }
    format_rate(text, static_cast<double>(bytes));
}
