// Numbers in the user's locale: what is read, what is refused, and how it is
// shown again.
#include "monitor/locale_number.h"

#include <gtest/gtest.h>

#include <string>

namespace {

const NumberForm en_us{L".", L",", L"3;0"};
const NumberForm de_de{L",", L".", L"3;0"};
const NumberForm fr_fr{L",", L"\u00A0", L"3;0"};
const NumberForm fr_fr_narrow{L",", L"\u202F", L"3;0"};
const NumberForm en_in{L".", L",", L"3;2;0"};
const NumberForm one_group{L".", L",", L"3"};
const NumberForm doubled{L"..", L"''", L"3;0"};  // separators of several characters

constexpr std::uint64_t refused = UINT64_MAX;
constexpr std::uint64_t maximum = 1'000'000'000'000;

// The allowance's case: GB typed, MB kept (three decimals), or MB typed and
// kept whole (none). An accepted text is shown again as `shown`, which reads
// back to the same value.
TEST(LocaleNumber, ReadsOneNumberInTheLocalesFormAndShowsItTheSameWay) {
    const struct {
        const wchar_t* text;
        const NumberForm& form;
        int decimals;
        std::uint64_t value;
        const wchar_t* shown;
    } cases[] = {
        {L"1,000", en_us, 3, 1'000'000, L"1,000"},
        {L"1,000", de_de, 3, 1'000, L"1"},
        {L"1.000", en_us, 3, 1'000, L"1"},
        {L"1.000", de_de, 3, 1'000'000, L"1.000"},
        {L"1,200.5", de_de, 3, refused, nullptr},
        {L"1\u00A0200,5", fr_fr, 3, 1'200'500, L"1\u00A0200,5"},
        {L"1\u202F200,5", fr_fr_narrow, 3, 1'200'500, L"1\u202F200,5"},
        {L"1 200,5", fr_fr_narrow, 3, 1'200'500, L"1\u202F200,5"},  // as a keyboard types it
        {L"1''200..5", doubled, 3, 1'200'500, L"1''200..5"},
        {L"1'200..5", doubled, 3, refused, nullptr},
        {L"1''200.5", doubled, 3, refused, nullptr},
        {L"12,34,567.25", en_in, 3, 1'234'567'250, L"12,34,567.25"},
        {L"1234567", en_in, 3, 1'234'567'000, L"12,34,567"},
        {L"1,234,567", en_in, 3, refused, nullptr},
        {L"1234,567", one_group, 3, 1'234'567'000, L"1234,567"},
        {L"1,234,567", one_group, 3, refused, nullptr},
        // Groups where the grouping puts none.
        {L"1,00", en_us, 3, refused, nullptr},
        {L"1000,000", en_us, 3, refused, nullptr},
        {L"10,00,000", en_us, 3, refused, nullptr},
        {L",100", en_us, 3, refused, nullptr},
        {L"100,", en_us, 3, refused, nullptr},
        {L"1,,000", en_us, 3, refused, nullptr},
        {L"1,.5", en_us, 3, refused, nullptr},
        {L"0.000,5", en_us, 3, refused, nullptr},
        // Two decimal separators, signs, blanks, nothing.
        {L"1.2.3", en_us, 3, refused, nullptr},
        {L"1,2,3", de_de, 3, refused, nullptr},
        {L"-5", en_us, 3, refused, nullptr},
        {L"+5", en_us, 3, refused, nullptr},
        {L"5-", en_us, 3, refused, nullptr},
        {L" \t50\u00A0 ", en_us, 3, 50'000, L"50"},
        {L"5 0", en_us, 3, refused, nullptr},
        {L"", en_us, 3, refused, nullptr},
        {L"  ", en_us, 3, refused, nullptr},
        {L".", en_us, 3, refused, nullptr},
        {L".5", en_us, 3, 500, L"0.5"},
        {L"5.", en_us, 3, 5'000, L"5"},
        // The maximum, and beyond it; halves of the last decimal kept round up.
        {L"1,000,000,000", en_us, 3, maximum, L"1,000,000,000"},
        {L"1,000,000,000.001", en_us, 3, refused, nullptr},
        {L"999999999999999999999999999999", en_us, 0, refused, nullptr},
        {L"0000000000000000000000000000012", en_us, 0, 12, L"12"},
        {L"0.0005", en_us, 3, 1, L"0.001"},
        {L"0.00049", en_us, 3, 0, L"0"},
        {L"1,234.5", en_us, 0, 1'235, L"1,235"},
        {L"1,000,000,000,000.5", en_us, 0, refused, nullptr},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::PrintToString(std::wstring(c.text)));
        std::uint64_t value = refused;
        EXPECT_EQ(read_locale_number(c.text, c.form, c.decimals, maximum, &value), c.value != refused);
        EXPECT_EQ(value, c.value);
        if (c.value == refused) continue;
        wchar_t shown[64];
        write_locale_number(shown, c.value, c.decimals, c.form);
        EXPECT_EQ(std::wstring(shown), c.shown);
        EXPECT_TRUE(read_locale_number(shown, c.form, c.decimals, maximum, &value));
        EXPECT_EQ(value, c.value);
    }
}

}  // namespace
