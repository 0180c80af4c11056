// Today's and this month's traffic, counted from the counters' byte totals.
#include "monitor/usage_count.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "monitor/clock.h"
#include "support/graph_fixture.h"

namespace {

const char* scripted_date = "";
void scripted_local_date(char (&date)[11]) {
    std::snprintf(date, sizeof date, "%s", scripted_date);
}

// Download from one interface, upload from the hardware total. Each step's
// bytes (eth0's) arrive before its tick on its local date, and the counts are
// checked after it.
TEST_F(GraphTest, UsageCountsExactlyWhatTheTotalsCountedPerDayAndMonth) {
    struct DateGuard {
        LocalDateReader real = read_local_date;
        ~DateGuard() { read_local_date = real; }
    } guard;
    read_local_date = scripted_local_date;
    usage_count = {};
    enum Event { tick, platform_fails, resizing, backwards, adapter_appears };
    const struct {
        const char* date;
        Event event;
        std::uint64_t in, out, day_in, day_out, month_in, month_out;
    } steps[] = {
        {"2026-03-30", tick, 100, 10, 0, 0, 0, 0},              // the first collection: a base only
        {"2026-03-30", tick, 1000, 200, 1000, 250, 1000, 250},  // warm-up (rate 0); wlan0 sent 50
        {"2026-03-30", platform_fails, 300, 30, 1000, 250, 1000, 250},
        {"2026-03-30", tick, 5, 5, 1305, 285, 1305, 285},
        {"2026-03-30", resizing, 7, 7, 1305, 285, 1305, 285},
        {"2026-03-30", tick, 1, 1, 1313, 293, 1313, 293},
        {"2026-03-30", backwards, 0, 0, 1313, 293, 1313, 293},
        {"2026-03-30", tick, 20, 20, 1333, 313, 1333, 313},
        {"2026-03-31", tick, 9, 9, 9, 9, 1342, 322},              // a new day
        {"2026-03-31", adapter_appears, 4, 4, 13, 9, 1346, 322},  // "*" sums another set
        {"2026-03-31", tick, 2, 2, 15, 13, 1348, 326},            // the new adapter sends 2 a tick
        {"2026-03-30", tick, 1, 1, 1, 3, 1349, 329},              // the clock set back
        {"2026-04-01", tick, 3, 3, 3, 5, 3, 5},                   // a new month
        {"2026-03-31", tick, 1, 1, 1, 3, 1, 3},                   // back across the month
    };
    resize_graph(graph, 4, 80);
    const int eth = scripted_add("eth0", true);
    const int wlan = scripted_add("wlan0", true);
    scripted_add("lo", false);
    select_download_interface(graph, "eth0");
    select_upload_interface(graph, "*");
    int added = -1;
    for (const auto& step : steps) {
        SCOPED_TRACE(std::string(step.date) + " with " + std::to_string(step.in) + " bytes in");
        scripted_date = step.date;
        scripted_add_counts(eth, step.in, step.out);
        if (step.in == 1000) scripted_add_counts(wlan, 0, 50);
        if (step.event == backwards) scripted_set_counts(eth, 10, 10);
        if (step.event == adapter_appears)
            scripted_set_counts(added = scripted_add("usb0", true), 0, 1u << 30);
        if (step.event == tick && added >= 0) scripted_add_counts(added, 0, 2);
        scripted_set_failing(step.event == platform_fails);
        graph.resizing = step.event == resizing;
        scripted_advance_ms(1000);
        sample(graph);
        count_usage(usage_count, graph.download_counter, graph.upload_counter);
        EXPECT_EQ(usage_count.day.in, step.day_in);
        EXPECT_EQ(usage_count.day.out, step.day_out);
        EXPECT_EQ(usage_count.month.in, step.month_in);
        EXPECT_EQ(usage_count.month.out, step.month_out);
        EXPECT_STREQ(usage_count.day.date, step.date);
        EXPECT_EQ(std::string(usage_count.month.date), std::string(step.date, 7));
    }
}

}  // namespace
