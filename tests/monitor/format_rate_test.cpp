#include "monitor/format_rate.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace {

std::string rate(double value) {
    char text[16];
    std::memset(text, 'x', sizeof text);
    format_rate(text, value);
    return text;
}

TEST(FormatRate, WorkedExamples) {
    EXPECT_EQ(rate(0), "0.0 bytes");
    EXPECT_EQ(rate(700), "700.0 bytes");
    EXPECT_EQ(rate(1023), "1023.0 bytes");
    EXPECT_EQ(rate(1024), "1.0 kB");
    EXPECT_EQ(rate(1280), "1.3 kB");
    EXPECT_EQ(rate(1500), "1.5 kB");
    EXPECT_EQ(rate(1536), "1.5 kB");
    EXPECT_EQ(rate(3000), "2.9 kB");
    EXPECT_EQ(rate(512000), "500.0 kB");
    EXPECT_EQ(rate(1048575), "1024.0 kB");
    EXPECT_EQ(rate(1048576), "1.0 mB");
    EXPECT_EQ(rate(2147483647), "2.0 gB");
}

TEST(FormatRate, ExactHalvesRoundAwayFromZero) {
    EXPECT_EQ(rate(2304), "2.3 kB");
    EXPECT_EQ(rate(3328), "3.3 kB");
    EXPECT_EQ(rate(1024 * 1024 * 2.25), "2.3 mB");
    EXPECT_EQ(rate(1279), "1.2 kB");  // 1.2490234375: just under a half
    EXPECT_EQ(rate(2560), "2.5 kB");
}

TEST(FormatRate, EachUnitUpToPetabytes) {
    const double k = 1024;
    EXPECT_EQ(rate(k * k * k * 3), "3.0 gB");
    EXPECT_EQ(rate(k * k * k * k * 7.5), "7.5 tB");
    EXPECT_EQ(rate(k * k * k * k * k), "1.0 pB");
    EXPECT_EQ(rate(k * k * k * k * k * k), "1024.0 pB");
}

TEST(FormatRate, EveryNonNegative32BitValueFits) {
    for (double value : {1023.0, 1048575.0, 1073741823.0, 2147483647.0}) {
        std::string text = rate(value);
        EXPECT_LE(text.size(), 12u) << value;
    }
}

TEST(FormatRate, NegativeValuesStayReadableAndBounded) {
    EXPECT_EQ(rate(-5000), "-5000.0 bytes");
    EXPECT_EQ(rate(-0.04), "0.0 bytes");
    EXPECT_EQ(rate(-2147483648.0), "-2.0 gB");
    EXPECT_EQ(rate(-1000000), "-976.6 kB");
    EXPECT_LE(rate(-1e300).size(), 15u);
}

}  // namespace

namespace {

// Eight bits a byte in steps of 1000, halves away from zero, the unit chosen
// before rounding; every 64-bit rate fits.
TEST(FormatRate, BitsAtTheirLimits) {
    const std::pair<std::int64_t, const char*> cases[] = {{0, "0.0 bit"},
                                                          {124, "992.0 bit"},
                                                          {125, "1.0 kbit"},
                                                          {124999, "1000.0 kbit"},
                                                          {131250, "1.1 Mbit"},
                                                          {11775000, "94.2 Mbit"},
                                                          {125000000000000, "1.0 Pbit"},
                                                          {125000000000000000, "1000.0 Pbit"},
                                                          {INT64_MAX, "73787.0 Pbit"},
                                                          {-1, "-8.0 bit"},
                                                          {INT64_MIN, "-73787.0 Pbit"}};
    for (const auto& [bytes, text] : cases) {
        char out[16];
        format_rate_in(out, bytes, RateUnits::bits);
        EXPECT_STREQ(out, text) << bytes;
    }
}

// The icon's texts: the smallest prefix at which the value rounds below 1000,
// one decimal below 9.95, in bytes and in bits.
TEST(FormatRate, ShortRatesAtTheRulesLimits) {
    const struct {
        std::int64_t bytes;
        const char *in_bytes, *in_bits;
    } cases[] = {{-5, "0", "0"},
                 {125, "125", "1.0k"},
                 {999, "999", "8.0k"},
                 {1000, "1.0k", "8.0k"},
                 {1243, "1.2k", "9.9k"},
                 {1244, "1.2k", "10k"},
                 {10188, "9.9k", "82k"},
                 {10189, "10k", "82k"},
                 {124937, "122k", "999k"},
                 {124938, "122k", "1.0M"},
                 {1023487, "999k", "8.2M"},
                 {1048473, "1.0M", "8.4M"},
                 {1125899906842624, "1.0P", "9.0P"},
                 {INT64_MAX, "8.0E", "74E"}};
    for (const auto& c : cases) {
        char out[5];
        format_short_rate(out, c.bytes, RateUnits::bytes);
        EXPECT_STREQ(out, c.in_bytes) << c.bytes;
        format_short_rate(out, c.bytes, RateUnits::bits);
        EXPECT_STREQ(out, c.in_bits) << c.bytes;
    }
}

}  // namespace
