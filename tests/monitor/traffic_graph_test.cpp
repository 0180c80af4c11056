#include "monitor/traffic_graph.h"

#include <gtest/gtest.h>

#include <string>

#include "support/gdi_probe.h"
#include "support/graph_fixture.h"

namespace {

using TrafficGraphTest = GraphTest;

TEST_F(TrafficGraphTest, CreationDefaults) {
    EXPECT_NE(graph.query, nullptr);
    EXPECT_EQ(graph.scale_max, 512000);
    EXPECT_STREQ(graph.download_label, "");
    EXPECT_STREQ(graph.upload_label, "");
    EXPECT_STREQ(graph.max_label, "");
    EXPECT_STREQ(graph.theme_name, "");
    EXPECT_EQ(graph.count, 0);
    EXPECT_EQ(graph.capacity, 0);
    EXPECT_EQ(graph.download_counter, nullptr);
    EXPECT_EQ(graph.upload_counter, nullptr);
    EXPECT_EQ(graph.download_history, nullptr);
    EXPECT_FALSE(graph.locked_max);
    EXPECT_EQ(graph.colors, (ColorSet{0x000000, 0x00FF00, 0xFF0000, 0xFFFF00, 0xFFFFFF}));
    EXPECT_EQ(pen_color(graph.download_pen), 0x00FF00u);
    EXPECT_EQ(pen_color(graph.upload_pen), 0xFF0000u);
    EXPECT_EQ(pen_color(graph.overlapped_pen), 0xFFFF00u);
    EXPECT_EQ(pen_color(graph.text_pen), 0xFFFFFFu);
    EXPECT_EQ(graph.label_font_description.lfHeight, 11);
    EXPECT_EQ(graph.label_font_description.lfCharSet, DEFAULT_CHARSET);
    EXPECT_STREQ(graph.label_font_description.lfFaceName, "Small Fonts");
    EXPECT_EQ(graph.label_font_description.lfWeight, 0);
    EXPECT_NE(graph.font, nullptr);
}

TEST_F(TrafficGraphTest, SelectingAnInterfaceReplacesOnlyThatDirectionsCounter) {
    select_upload_interface(graph, "eth0");
    PDH_HCOUNTER upload = graph.upload_counter;
    select_download_interface(graph, "*");
    EXPECT_STREQ(graph.download_interface, "*");
    EXPECT_NE(graph.download_counter, nullptr);
    EXPECT_EQ(graph.upload_counter, upload);
    EXPECT_STREQ(graph.upload_interface, "eth0");
    PDH_HCOUNTER first = graph.download_counter;
    select_download_interface(graph, "*");
    // The old counter left the query: reading it is an invalid handle.
    PDH_FMT_COUNTERVALUE value{};
    if (first != graph.download_counter) {
        EXPECT_EQ(PdhGetFormattedCounterValue(first, PDH_FMT_LONG, nullptr, &value), PDH_INVALID_HANDLE);
    }
    EXPECT_NE(PdhGetFormattedCounterValue(graph.download_counter, PDH_FMT_LONG, nullptr, &value),
              PDH_INVALID_HANDLE);
}

TEST_F(TrafficGraphTest, LongNamesAreKeptTo511Characters) {
    const std::string name511(511, 'n');
    select_download_interface(graph, name511.c_str());
    EXPECT_EQ(std::string(graph.download_interface), name511);
    const std::string longer(700, 'x');
    select_upload_interface(graph, longer.c_str());
    EXPECT_EQ(std::string(graph.upload_interface), std::string(511, 'x'));
    EXPECT_NE(graph.upload_counter, nullptr);
}

TEST_F(TrafficGraphTest, WildcardAndInstanceNamesReachTheCounterSource) {
    int eth = scripted_add("Intel(R) Ethernet", true);
    int lo = scripted_add("lo", false);
    select_download_interface(graph, "*");
    select_upload_interface(graph, "Intel[R] Ethernet");
    PdhCollectQueryData(graph.query);
    scripted_add_counts(eth, 100, 200);
    scripted_add_counts(lo, 1000, 1000);
    scripted_advance_ms(1000);
    PdhCollectQueryData(graph.query);
    PDH_FMT_COUNTERVALUE value{};
    ASSERT_EQ(PdhGetFormattedCounterValue(graph.download_counter, PDH_FMT_LONG, nullptr, &value), 0);
    EXPECT_EQ(value.longValue, 100);
    ASSERT_EQ(PdhGetFormattedCounterValue(graph.upload_counter, PDH_FMT_LONG, nullptr, &value), 0);
    EXPECT_EQ(value.longValue, 200);
}

TEST_F(TrafficGraphTest, RebuildingPensTwiceLeavesFourPensOfTheCurrentColours) {
    const int before = live_gdi_objects();
    graph.colors.download = 0x123456;
    rebuild_pens(graph);
    rebuild_pens(graph);
    if (before >= 0) {
        EXPECT_EQ(live_gdi_objects(), before);
    }
    EXPECT_EQ(pen_color(graph.download_pen), 0x123456u);
    EXPECT_EQ(pen_color(graph.text_pen), 0xFFFFFFu);
}

TEST_F(TrafficGraphTest, TeardownBeforeAnyResizeClosesTheQuery) {
    PDH_HQUERY query = graph.query;
    destroy_traffic_graph();
    EXPECT_EQ(PdhCollectQueryData(query), PDH_INVALID_HANDLE);
    EXPECT_EQ(graph.download_pen, nullptr);
    create_traffic_graph();  // for the fixture's teardown
}

TEST_F(TrafficGraphTest, TeardownReleasesEveryPenAndTheFont) {
    const int before = live_gdi_objects();
    destroy_traffic_graph();
    if (before >= 0) {
        EXPECT_EQ(live_gdi_objects(), before - 5);
    }
    EXPECT_EQ(graph.font, nullptr);
    create_traffic_graph();
}

}  // namespace
