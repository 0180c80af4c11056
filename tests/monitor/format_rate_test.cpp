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
