// The notification area's own samples: the live icon's columns and the rates
// shown, at short ticks and at long ones.
#include "graph/tray_samples.h"

#include <gtest/gtest.h>

namespace {

constexpr std::int64_t ms = 1'000'000;

TEST(TraySamples, AtATickOf250MsOrMoreEachSampleIsAColumnAndTheRatesAreItsOwn) {
    for (std::int32_t delay : {250, 1000}) {
        TraySamples samples{};
        for (int i = 0; i < 5; ++i) add_tray_sample(samples, i * delay * ms, delay, {100 * i, 10 * i});
        ASSERT_EQ(samples.column_count, 5);
        for (int age = 0; age < 5; ++age) {
            EXPECT_EQ(tray_column(samples, age).download, 100 * (4 - age));
            EXPECT_EQ(tray_column(samples, age).upload, 10 * (4 - age));
        }
        EXPECT_EQ(tray_rates(samples, delay).download, 400);
        EXPECT_EQ(tray_rates(samples, delay).upload, 40);
    }
}

// At 10 ms a column covers 25 ticks and keeps the highest rates among them:
// a burst of one tick shows whole.
TEST(TraySamples, AtShortTicksAColumnCovers250MsAndShowsItsHighestRates) {
    TraySamples samples{};
    for (int i = 0; i < 100; ++i) {
        const bool burst = i == 37;
        add_tray_sample(samples, i * 10 * ms, 10, {burst ? 900000 : i, burst ? 0 : 2 * i});
    }
    ASSERT_EQ(samples.column_count, 4);  // ticks 0-24, 25-49, 50-74, 75-99
    EXPECT_EQ(tray_column(samples, 3).download, 24);
    EXPECT_EQ(tray_column(samples, 2).download, 900000);
    EXPECT_EQ(tray_column(samples, 2).upload, 98);
    EXPECT_EQ(tray_column(samples, 0).download, 99);
    EXPECT_EQ(samples.column_start_ns, 750 * ms);
    // More columns than the ring holds: the newest stay.
    for (int i = 100; i < 100 + 25 * tray_columns_max; ++i) add_tray_sample(samples, i * 10 * ms, 10, {i, i});
    EXPECT_EQ(samples.column_count, tray_columns_max);
    EXPECT_EQ(tray_column(samples, 0).download, 100 + 25 * tray_columns_max - 1);
}

// A stalled timer leaves no empty columns behind: the next column starts with
// the next sample.
TEST(TraySamples, AfterAPauseTheNextColumnStartsNow) {
    TraySamples samples{};
    add_tray_sample(samples, 0, 10, {1, 1});
    add_tray_sample(samples, 260 * ms, 10, {2, 2});
    EXPECT_EQ(samples.column_start_ns, 250 * ms) << "the columns keep their step";
    add_tray_sample(samples, 3000 * ms, 10, {3, 3});
    EXPECT_EQ(samples.column_count, 3);
    EXPECT_EQ(samples.column_start_ns, 3000 * ms);
}

// The mean of the last 250 ms, each sample weighted by the part of its
// interval inside them.
TEST(TraySamples, AtShortTicksTheRatesAreTheMeanOfTheLast250Ms) {
    TraySamples samples{};
    EXPECT_EQ(tray_rates(samples, 10).download, 0) << "before the first sample";
    add_tray_sample(samples, 1000 * ms, 100, {800, 80});
    EXPECT_EQ(tray_rates(samples, 100).download, 800) << "a first sample covers a tick";
    add_tray_sample(samples, 1100 * ms, 100, {400, 40});
    add_tray_sample(samples, 1200 * ms, 100, {100, 10});
    // 1200 - 250 = 950: 800 for 50 ms, 400 for 100 ms, 100 for 100 ms.
    EXPECT_EQ(tray_rates(samples, 100).download, (800 * 50 + 400 * 100 + 100 * 100) / 250);
    EXPECT_EQ(tray_rates(samples, 100).upload, (80 * 50 + 40 * 100 + 10 * 100) / 250);
    // Uneven ticks weigh by their own intervals.
    add_tray_sample(samples, 1210 * ms, 100, {10000, 0});
    EXPECT_EQ(tray_rates(samples, 100).download, (800 * 40 + 400 * 100 + 100 * 100 + 10000 * 10) / 250);
    // The largest rates do not overflow.
    TraySamples large{};
    for (int i = 0; i < 30; ++i) add_tray_sample(large, i * 10 * ms, 10, {INT64_MAX, INT64_MAX - 1});
    EXPECT_EQ(tray_rates(large, 10).download, INT64_MAX);
    EXPECT_EQ(tray_rates(large, 10).upload, INT64_MAX - 1);
    // At 250 ms and more, the newest sample's own.
    EXPECT_EQ(tray_rates(samples, 250).download, 10000);
}

TEST(TraySamples, SendsAreDueAtEveryLongTickAndEvery250MsAtShortOnes) {
    EXPECT_TRUE(tray_send_due(5 * ms, tray_never, 10));
    EXPECT_FALSE(tray_send_due(249 * ms, 0, 10));
    EXPECT_TRUE(tray_send_due(250 * ms, 0, 10));
    EXPECT_FALSE(tray_send_due(100 * ms, 0, 249));
    EXPECT_TRUE(tray_send_due(1 * ms, 0, 250));
    EXPECT_TRUE(tray_send_due(0, 0, 1000));
}

}  // namespace
