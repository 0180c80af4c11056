// Every adapter's traffic per local date, counted from the whole table.
#include "monitor/usage_count.h"

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <tuple>

#include "support/scripted_counters.h"

namespace {

DayNumber date(const char* text) {
    DayNumber day = 0;
    EXPECT_TRUE(parse_iso_date(text, &day)) << text;
    return day;
}

// Each step moves the counters, then one reading is counted on its date, 10 s
// after the last. The bytes the adapters carried after the first reading (the
// kernel's growth, a reset's new count on a link of known speed included) must
// all be counted, once, on the date of the reading that saw them.
TEST(UsageCount, EveryAdapterPerDateNothingLostNothingDoubled) {
    scripted_reset();
    const int eth = scripted_add("eth0", true);
    const int wlan = scripted_add("wlan0", true);
    const int lo = scripted_add("lo", false);
    scripted_set_speed(eth, 1'000'000'000);
    scripted_set_counts(eth, 5'000'000'000, 7'000'000'000);  // since the boot, before counting began
    const char* const names[] = {"eth0", "wlan0", "lo", "usb0"};
    enum Event { grow, appear, vanish, come_back, reset };
    const struct {
        const char* date;
        Event event;
        int adapter;
        std::uint64_t received, sent;  // the growth, or for a reset the count after it
    } steps[] = {
        {"2026-03-30", grow, eth, 100, 10},
        {"2026-03-30", grow, lo, 7, 7},
        {"2026-03-31", grow, eth, 1000, 0},   // a new date
        {"2026-03-31", appear, -1, 300, 30},  // usb0 comes; its counters started with it
        {"2026-03-31", vanish, wlan, 0, 0},
        {"2026-03-31", come_back, wlan, 50, 5},  // the same identity, counters went on
        {"2026-03-31", reset, eth, 20, 2},       // counters back to 0, then 20 and 2
        {"2026-03-30", grow, eth, 3, 3},         // the clock set back: the earlier date's own counts
        {"2026-04-01", grow, wlan, 9, 9},        // across the month's end
        {"2026-03-31", grow, eth, 4, 4},         // and back again
        {"2026-04-01", grow, lo, 1, 1},
    };
    std::map<std::tuple<std::string, std::string>, std::pair<std::uint64_t, std::uint64_t>> expected;
    UsageCount usage{};
    NamedInterfaces reading{};
    std::int64_t uptime_ms = 600'000;
    ASSERT_TRUE(read_named_interfaces(&reading));
    count_reading(usage, reading, date("2026-03-30"), false, uptime_ms);
    EXPECT_TRUE(usage.days.empty()) << "what the counters held before counting began is no traffic of it";
    for (const auto& step : steps) {
        const int adapter = step.event == appear ? scripted_add("usb0", true) : step.adapter;
        SCOPED_TRACE(std::string(step.date) + " step on adapter " + std::to_string(adapter));
        if (step.event == vanish) scripted_set_present(adapter, false);
        if (step.event == come_back) scripted_set_present(adapter, true);
        if (step.event == reset)
            scripted_set_counts(adapter, step.received, step.sent);
        else
            scripted_add_counts(adapter, step.received, step.sent);
        if (step.received + step.sent > 0) {
            auto& counts = expected[{step.date, names[adapter]}];
            counts.first += step.received;
            counts.second += step.sent;
        }
        ASSERT_TRUE(read_named_interfaces(&reading));
        uptime_ms += 10'000;
        count_reading(usage, reading, date(step.date), false, uptime_ms);
    }
    std::map<std::tuple<std::string, std::string>, std::pair<std::uint64_t, std::uint64_t>> counted;
    for (const UsageDay& row : usage.days) {
        char text[11];
        format_iso_date(text, row.day);
        counted[{text, usage.adapters[static_cast<std::size_t>(row.adapter)].name}] = {row.received,
                                                                                       row.sent};
        EXPECT_EQ(row.hardware, row.adapter != usage_adapter_index(usage, "lo", false));
    }
    EXPECT_EQ(counted, expected);

    // A month is the sum of its days; "*" the adapters that were hardware.
    const ByteCounts march = usage_sum(usage, "*", date("2026-03-01"), date("2026-03-31"));
    EXPECT_EQ(march.received, 100u + 1000 + 300 + 50 + 20 + 3 + 4);
    EXPECT_EQ(march.sent, 10u + 30 + 5 + 2 + 3 + 4);
    usage.today = date("2026-04-01");
    derive_usage_periods(usage, "ETH0", "*");
    EXPECT_STREQ(usage.day.date, "2026-04-01");
    EXPECT_STREQ(usage.month.date, "2026-04");
    EXPECT_EQ(usage.day.in, 0u);
    EXPECT_EQ(usage.day.out, 9u) << "wlan0 is hardware, lo is not";
    usage.today = date("2026-03-30");
    derive_usage_periods(usage, "eth0", "lo");
    EXPECT_EQ(usage.day.in, 103u);
    EXPECT_EQ(usage.day.out, 7u);
    EXPECT_EQ(usage.month.in, 100u + 1000 + 20 + 3 + 4);
    EXPECT_EQ(usage.month.out, 7u);
    set_counter_backend(nullptr);
}

}  // namespace
