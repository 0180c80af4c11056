#include "settings/setting_values.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "settings/settings_store.h"
#include "settings_fixture.h"

namespace {

using Strings = std::vector<std::string>;

TEST(ReadSettingInt, SignsAndDigits) {
    EXPECT_EQ(read_setting_int("1000"), 1000);
    EXPECT_EQ(read_setting_int("-45"), -45);
    EXPECT_EQ(read_setting_int("+7"), 7);
    EXPECT_EQ(read_setting_int("0"), 0);
    EXPECT_EQ(read_setting_int("-0"), 0);
    EXPECT_EQ(read_setting_int("000000000000000000000000012"), 12);
}

TEST(ReadSettingInt, LeadingWhiteSpaceIsSkipped) {
    EXPECT_EQ(read_setting_int("   42"), 42);
    EXPECT_EQ(read_setting_int("\t\n\v\f\r 9"), 9);
    EXPECT_EQ(read_setting_int("  -3"), -3);
    // White space between the sign and the digits ends the number.
    EXPECT_EQ(read_setting_int("- 5"), 0);
}

TEST(ReadSettingInt, FirstOtherCharacterEndsIt) {
    EXPECT_EQ(read_setting_int("12abc"), 12);
    EXPECT_EQ(read_setting_int("1000\r"), 1000);
    EXPECT_EQ(read_setting_int("80 px"), 80);
    EXPECT_EQ(read_setting_int("3.9"), 3);
    EXPECT_EQ(read_setting_int("1e5"), 1);
    EXPECT_EQ(read_setting_int("0x10"), 0);
    EXPECT_EQ(read_setting_int("+-5"), 0);
}

TEST(ReadSettingInt, TextWithoutDigitsIsZero) {
    EXPECT_EQ(read_setting_int(""), 0);
    EXPECT_EQ(read_setting_int("yes"), 0);
    EXPECT_EQ(read_setting_int("true"), 0);
    EXPECT_EQ(read_setting_int("-"), 0);
    EXPECT_EQ(read_setting_int("   "), 0);
    EXPECT_EQ(read_setting_int("\xff\x80"), 0);
}

TEST(ReadSettingInt, ClampsToThe32BitRange) {
    EXPECT_EQ(read_setting_int("2147483647"), INT32_MAX);
    EXPECT_EQ(read_setting_int("2147483648"), INT32_MAX);
    EXPECT_EQ(read_setting_int("4294967296"), INT32_MAX);
    EXPECT_EQ(read_setting_int("99999999999999999999999999999999"), INT32_MAX);
    EXPECT_EQ(read_setting_int("-2147483648"), INT32_MIN);
    EXPECT_EQ(read_setting_int("-2147483649"), INT32_MIN);
    EXPECT_EQ(read_setting_int("-99999999999999999999999999999999"), INT32_MIN);
    EXPECT_EQ(read_setting_int("-2147483647"), -2147483647);
}

using IntegerSettingsTest = SettingsTest;

TEST_F(IntegerSettingsTest, MissingKeyStoresTheDefault) {
    EXPECT_EQ(get_setting_int("app.left", 10), 10);
    EXPECT_EQ(get_setting_int("app.top", -5), -5);
    EXPECT_EQ(stored_pairs(), (Strings{"app.left=10", "app.top=-5"}));
}

TEST_F(IntegerSettingsTest, StoredValueWinsOverDefault) {
    set_setting("app.alpha", "300");
    set_setting("app.starts", "none\r");
    EXPECT_EQ(get_setting_int("app.alpha", 255), 300);
    EXPECT_EQ(get_setting_int("app.starts", 7), 0);
    // Reading leaves the stored text as it was.
    EXPECT_EQ(stored_pairs(), (Strings{"app.alpha=300", "app.starts=none\r"}));
}

TEST_F(IntegerSettingsTest, DefaultIsUsedUnstoredWhenMemoryRunsOut) {
    AllocationLimit none(0);
    EXPECT_EQ(get_setting_int("graph.delay", 1000), 1000);
    EXPECT_EQ(get_setting_int("graph.delay", -1), -1);
    EXPECT_EQ(settings_store.pair_count, 0);
}

TEST_F(IntegerSettingsTest, SetWritesSignedDecimalInPlace) {
    set_setting("app.left", "1");
    set_setting("app.top", "2");
    ASSERT_NE(set_setting_int("app.left", INT32_MIN), nullptr);
    EXPECT_STREQ(set_setting_int("app.width", INT32_MAX), "2147483647");
    EXPECT_EQ(stored_pairs(), (Strings{"app.left=-2147483648", "app.top=2", "app.width=2147483647"}));
    EXPECT_EQ(get_setting_int("app.left", 0), INT32_MIN);
}

TEST_F(IntegerSettingsTest, SetReportsExhaustedMemory) {
    set_setting("app.left", "1");
    AllocationLimit none(0);
    EXPECT_EQ(set_setting_int("app.left", 10), nullptr);
    EXPECT_STREQ(find_setting("app.left")->value, "1");
}

}  // namespace
