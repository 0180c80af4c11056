// The usage file: read back as written, and anything damaged counts from 0.
#include "settings/usage_file.h"

#include <gtest/gtest.h>

#include <string>

#include "settings_fixture.h"

namespace {

const std::string good =
    "usage.day\t2026-03-31\nusage.day_in\t1500\nusage.day_out\t300\n"
    "usage.month\t2026-03\nusage.month_in\t18446744073709551615\nusage.month_out\t4000\n";

TEST(UsageFile, ReadsBackWhatItWroteAndCountsFromZeroWhenDamaged) {
    ScratchFolder scratch;
    const std::string path = scratch.file("usage.cfg");
    write_file(path, good);
    UsageCount usage{};
    ASSERT_TRUE(load_usage_file(path.c_str(), &usage));
    EXPECT_EQ(usage.month.in, UINT64_MAX);
    ASSERT_TRUE(save_usage_file(path.c_str(), usage));
    EXPECT_EQ(read_file(path), good);

    const std::pair<std::string, std::string> damages[] = {
        {"2026-03-31", "2026-3-31"},
        {"2026-03-31", "2026-13-31"},
        {"2026-03-31", "2026-03-32"},
        {"2026-03-31", "2026-03-31x"},
        {"\t2026-03\n", "\t26-03\n"},
        {"1500", "-1500"},
        {"1500", "15e2"},
        {"1500", "1500\r"},
        {"1500", ""},
        {"18446744073709551615", "18446744073709551616"},
        {"300", std::string(5000, '7')},
        {"usage.day_out", "usage.day_put"},
    };
    for (const auto& [from, to] : damages) {
        std::string bytes = good;
        write_file(path, bytes.replace(bytes.find(from), from.size(), to));
        usage.day = {"2026-03-31", 9, 9};
        EXPECT_FALSE(load_usage_file(path.c_str(), &usage)) << to.substr(0, 40);
        EXPECT_EQ(usage.day.in + usage.day.out + usage.month.in + usage.month.out, 0u) << to.substr(0, 40);
        EXPECT_STREQ(usage.day.date, "") << to.substr(0, 40);
    }
}

}  // namespace
