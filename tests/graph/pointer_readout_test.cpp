#include "graph/pointer_readout.h"

#include <gtest/gtest.h>

#include <string>

#include "graph/paint_graph_cases.h"
#include "support/graph_fixture.h"

namespace {

using namespace paint_cases;
using PointerReadoutTest = GraphTest;

// A 10-column graph holding 4 samples, the ring wrapped once: the newest
// (1500, 100) lies at index 1, in the rightmost column.
TEST_F(PointerReadoutTest, EachColumnNamesTheSampleDrawnThereAndOnlyThat) {
    EXPECT_EQ(sample_at_column(graph, 0), -1) << "before the first resize";
    size_graph(graph, 10, 40);
    for (int i = 0; i < 12; ++i) push_sample(graph, 0, 0);
    size_graph(graph, 4, 40);
    size_graph(graph, 10, 40);
    push_sample(graph, 1500, 100);
    ASSERT_EQ(graph.count, 5);
    const struct {
        int x;
        int age;
        const char* text;
    } columns[] = {{9, 0, "now\r\nDown:  1.5 kB/s\r\nUp:  100.0 bytes/s"},
                   {8, 1, "3 s ago\r\nDown:  0.0 bytes/s\r\nUp:  0.0 bytes/s"},
                   {5, 4, "10 s ago\r\nDown:  0.0 bytes/s\r\nUp:  0.0 bytes/s"},
                   {4, -1, ""},
                   {0, -1, ""},
                   {-1, -1, ""},
                   {10, -1, ""}};
    for (const auto& column : columns) {
        char text[readout_text_size] = "x";
        EXPECT_EQ(sample_at_column(graph, column.x), column.age) << column.x;
        EXPECT_EQ(readout_text(graph, column.x, 2500, text), column.age >= 0) << column.x;
        EXPECT_STREQ(text, column.text) << column.x;
    }
    graph.resizing = true;
    EXPECT_EQ(sample_at_column(graph, 9), -1) << "nothing is drawn while the rings move";
}

// Seconds to the nearest, halves up; minutes to the nearest from an hour on.
TEST(SampleAgeText, NowSecondsMinutesHours) {
    const struct {
        long long ticks, period_ms;
        const char* text;
    } ages[] = {{0, 1000, "now"},
                {1, 400, "now"},
                {1, 500, "1 s ago"},
                {599, 100, "1 min ago"},
                {200, 1000, "3 min 20 s ago"},
                {3599, 1000, "59 min 59 s ago"},
                {1, 3599600, "1 h ago"},
                {3929, 1000, "1 h 5 min ago"},
                {7680, 2147483647LL, "4581298 h 27 min ago"}};
    for (const auto& age : ages) {
        char text[age_text_size];
        sample_age_text(text, age.ticks, age.period_ms);
        EXPECT_STREQ(text, age.text) << age.ticks << " x " << age.period_ms;
    }
}

// A 100 x 50 readout 16, 20 from the pointer on a 1000 x 700 area.
TEST(ReadoutOrigin, FlippedAtTheFarEdgesAndKeptOnTheArea) {
    const ScreenPoint places[][2] = {
        {{200, 100}, {216, 120}}, {{950, 690}, {834, 620}}, {{-500, 30}, {0, 50}}};
    for (const auto& place : places) {
        const ScreenPoint origin = readout_origin(place[0], 100, 50, 16, 20, {0, 0, 1000, 700});
        EXPECT_TRUE(origin.x == place[1].x && origin.y == place[1].y) << origin.x << ", " << origin.y;
    }
}

}  // namespace
