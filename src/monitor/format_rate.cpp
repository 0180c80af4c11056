#include "format_rate.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

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

namespace {

// Eight times the largest 64-bit rate does not fit in 64 bits.
using Wide = unsigned __int128;

const char* const bit_units[] = {"bit", "kbit", "Mbit", "Gbit", "Tbit", "Pbit"};
constexpr int bit_unit_count = 6;

// (2v + d) / 2d: v / d rounded, halves up.
Wide rounded_quotient(Wide value, Wide divisor) {
    return (2 * value + divisor) / (2 * divisor);
}

Wide magnitude(std::int64_t value) {
    return value < 0 ? Wide(-(value + 1)) + 1 : Wide(value);
}

}  // namespace

RateUnits rate_units_from_text(const char* text) {
    return text && std::strcmp(text, "bits") == 0 ? RateUnits::bits : RateUnits::bytes;
}

const char* rate_units_text(RateUnits units) {
    return units == RateUnits::bits ? "bits" : "bytes";
}

// In whole integers, so that tenths round exactly as the byte texts' do.
void format_bit_rate(char (&text)[16], std::int64_t bytes_per_second) {
    const Wide bits = magnitude(bytes_per_second) * 8;
    int unit = 0;
    Wide divisor = 1;
    while (bits >= divisor * 1000 && unit + 1 < bit_unit_count) {
        divisor *= 1000;
        ++unit;
    }
    const Wide tenths = rounded_quotient(bits * 10, divisor);
    std::snprintf(text, sizeof text, "%s%llu.%u %s", bytes_per_second < 0 && tenths != 0 ? "-" : "",
                  static_cast<unsigned long long>(tenths / 10), static_cast<unsigned>(tenths % 10),
                  bit_units[unit]);
}

void format_rate_in(char (&text)[16], std::int64_t bytes_per_second, RateUnits units) {
    if (units == RateUnits::bits)
        format_bit_rate(text, bytes_per_second);
    else
        format_rate(text, static_cast<double>(bytes_per_second));
}

void format_short_rate(char (&text)[5], std::int64_t bytes_per_second, RateUnits units) {
    static const char prefixes[] = "kMGTPE";
    const bool bits = units == RateUnits::bits;
    const Wide value = bytes_per_second < 0 ? 0 : Wide(bytes_per_second) * (bits ? 8 : 1);
    const Wide step = bits ? 1000 : 1024;
    // Every case below writes at most four characters; the compiler cannot tell.
    char whole_text[16];
    if (value < 1000) {
        std::snprintf(whole_text, sizeof whole_text, "%u", static_cast<unsigned>(value));
    } else {
        // The largest rate, 8 EiB/s (or 74 Ebit/s), is below 1000 E.
        Wide divisor = 1;
        int prefix = -1;
        do {
            divisor *= step;
            ++prefix;
        } while (2 * value >= 1999 * divisor && prefix + 1 < 6);
        if (20 * value < 199 * divisor) {
            const unsigned tenths = static_cast<unsigned>(rounded_quotient(value * 10, divisor));
            std::snprintf(whole_text, sizeof whole_text, "%u.%u%c", tenths / 10, tenths % 10,
                          prefixes[prefix]);
        } else {
            std::snprintf(whole_text, sizeof whole_text, "%u%c",
                          static_cast<unsigned>(rounded_quotient(value, divisor)), prefixes[prefix]);
        }
    }
    std::snprintf(text, sizeof text, "%.4s", whole_text);
}
