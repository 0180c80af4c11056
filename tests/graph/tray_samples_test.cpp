// The notification area's own samples: the live icon's columns and the rates
// shown, at short ticks and at long ones.
#include "graph/tray_samples.h"

#include <gtest/gtest.h>

namespace {

constexpr std::int64_t ms = 1'000'000;

// At 250 ms and more a sample is a column, and the rates its own. At 10 ms a
// column covers 25 ticks and keeps their highest rates, so a burst of one
// tick shows whole; after a stall the next column starts with the next sample.
TEST(TraySamples, ColumnsCoverTheLargerOfTheTickAnd250Ms) {
    TraySamples slow{};
    for (int i = 0; i < 5; ++i) add_tray_sample(slow, i * 250 * ms, 250, {100 * i, 10 * i});
    ASSERT_EQ(slow.column_count, 5);
    EXPECT_EQ(tray_column(slow, 1).download, 300);
    EXPECT_EQ(tray_rates(slow, 250).upload, 40);

    TraySamples fast{};
    for (int i = 0; i < 100; ++i)
        add_tray_sample(fast, i * 10 * ms, 10, {i == 37 ? 900000 : i, i == 37 ? 0 : 2 * i});
    ASSERT_EQ(fast.column_count, 4);  // ticks 0-24, 25-49, 50-74, 75-99
    EXPECT_EQ(tray_column(fast, 3).download, 24);
    EXPECT_EQ(tray_column(fast, 2).download, 900000);
    EXPECT_EQ(tray_column(fast, 2).upload, 98);
    add_tray_sample(fast, 3000 * ms, 10, {1, 1});
    EXPECT_EQ(fast.column_count, 5);
    EXPECT_EQ(fast.column_start_ns, 3000 * ms) << "no empty columns for the stall";
}

// Below 250 ms a tick, the mean of the last 250 ms, each sample weighted by
// the part of its interval inside them; the largest rates do not overflow.
TEST(TraySamples, AtShortTicksTheRatesAreTheMeanOfTheLast250Ms) {
    TraySamples samples{};
    EXPECT_EQ(tray_rates(samples, 10).download, 0) << "before the first sample";
    add_tray_sample(samples, 1000 * ms, 100, {800, 80});
    EXPECT_EQ(tray_rates(samples, 100).download, 800) << "a first sample covers a tick";
    add_tray_sample(samples, 1100 * ms, 100, {400, 40});
    add_tray_sample(samples, 1200 * ms, 100, {100, 10});
    EXPECT_EQ(tray_rates(samples, 100).download, (800 * 50 + 400 * 100 + 100 * 100) / 250);
    EXPECT_EQ(tray_rates(samples, 100).upload, (80 * 50 + 40 * 100 + 10 * 100) / 250);
    add_tray_sample(samples, 1210 * ms, 100, {10000, 0});
    EXPECT_EQ(tray_rates(samples, 100).download, (800 * 40 + 400 * 100 + 100 * 100 + 10000 * 10) / 250);
    EXPECT_EQ(tray_rates(samples, 250).download, 10000) << "at 250 ms the newest sample's";
    TraySamples large{};
    for (int i = 0; i < 30; ++i) add_tray_sample(large, i * 10 * ms, 10, {INT64_MAX, INT64_MAX - 1});
    EXPECT_EQ(tray_rates(large, 10).download, INT64_MAX);
    EXPECT_EQ(tray_rates(large, 10).upload, INT64_MAX - 1);
}

}  // namespace
