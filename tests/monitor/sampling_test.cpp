#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/fatal_catcher.h"
#include "support/graph_fixture.h"

namespace {

std::vector<std::int64_t> ring(const TrafficGraph& graph, const std::int64_t* history) {
    return std::vector<std::int64_t>(history, history + graph.capacity);
}

class SamplingTest : public GraphTest {
protected:
    // One interface for both directions whose reads succeed from the first tick on.
    void watch_one_interface() {
        eth = scripted_add("eth0", true);
        select_download_interface(graph, "eth0");
        select_upload_interface(graph, "eth0");
        PdhCollectQueryData(graph.query);
    }
    void tick(std::uint64_t download, std::uint64_t upload) {
        scripted_add_counts(eth, download, upload);
        scripted_advance_ms(1000);
        sample(graph);
    }
    int eth = -1;
};

struct ExampleTick {
    std::uint64_t download, upload;
    std::int64_t head, count, download_peak, upload_peak, scale_max;
    const char *down_label, *up_label, *max_label;
};

TEST_F(SamplingTest, WorkedExampleOfSevenTicks) {
    resize_graph(graph, 4, 80);
    watch_one_interface();
    const ExampleTick ticks[] = {
        {1000, 200, 1, 1, 0, 0, 0, "Down:  0.0 bytes/s", "Up:  0.0 bytes/s", "Max:  0.0 bytes/s"},
        {3000, 1500, 2, 2, 3000, 1500, 3000, "Down:  2.9 kB/s", "Up:  1.5 kB/s", "Max:  2.9 kB/s"},
        {100, 4000, 3, 3, 3000, 4000, 4000, "Down:  100.0 bytes/s", "Up:  3.9 kB/s", "Max:  3.9 kB/s"},
        {0, 0, 0, 4, 3000, 4000, 4000, "Down:  0.0 bytes/s", "Up:  0.0 bytes/s", "Max:  3.9 kB/s"},
        {50, 60, 1, 4, 3000, 4000, 4000, "Down:  50.0 bytes/s", "Up:  60.0 bytes/s", "Max:  3.9 kB/s"},
        {10, 10, 2, 4, 100, 4000, 4000, "Down:  10.0 bytes/s", "Up:  10.0 bytes/s", "Max:  3.9 kB/s"},
        {10, 10, 3, 4, 50, 60, 60, "Down:  10.0 bytes/s", "Up:  10.0 bytes/s", "Max:  60.0 bytes/s"},
    };
    int number = 1;
    for (const ExampleTick& expected : ticks) {
        SCOPED_TRACE("tick " + std::to_string(number++));
        tick(expected.download, expected.upload);
        EXPECT_EQ(graph.head, expected.head);
        EXPECT_EQ(graph.count, expected.count);
        EXPECT_EQ(graph.download_peak, expected.download_peak);
        EXPECT_EQ(graph.upload_peak, expected.upload_peak);
        EXPECT_EQ(graph.scale_max, expected.scale_max);
        EXPECT_STREQ(graph.download_label, expected.down_label);
        EXPECT_STREQ(graph.upload_label, expected.up_label);
        EXPECT_STREQ(graph.max_label, expected.max_label);
    }
    EXPECT_EQ(ring(graph, graph.download_history), (std::vector<std::int64_t>{50, 10, 10, 0}));
    EXPECT_EQ(ring(graph, graph.upload_history), (std::vector<std::int64_t>{60, 10, 10, 0}));
    EXPECT_EQ(warm_up_count, 2);
}

TEST_F(SamplingTest, RatesAboveFourGibibytesAreStoredAndShownWhole) {
    resize_graph(graph, 4, 80);
    watch_one_interface();
    tick(0, 0);  // the warm-up
    const std::int64_t gib = INT64_C(1) << 30;
    tick(5 * gib, 9 * gib / 2);
    EXPECT_EQ(ring(graph, graph.download_history), (std::vector<std::int64_t>{0, 5 * gib, 0, 0}));
    EXPECT_EQ(graph.upload_history[1], 9 * gib / 2);
    EXPECT_EQ(graph.download_peak, 5 * gib);
    EXPECT_EQ(graph.scale_max, 5 * gib);
    EXPECT_STREQ(graph.download_label, "Down:  5.0 gB/s");
    EXPECT_STREQ(graph.upload_label, "Up:  4.5 gB/s");
    EXPECT_STREQ(graph.max_label, "Max:  5.0 gB/s");
}

TEST_F(SamplingTest, ATickBeforeTheFirstResizeChangesNothing) {
    watch_one_interface();
    tick(1000, 1000);
    EXPECT_EQ(warm_up_count, 0);
    EXPECT_EQ(graph.count, 0);
    EXPECT_EQ(graph.scale_max, 512000);
    EXPECT_STREQ(graph.download_label, "");
}

TEST_F(SamplingTest, ATickWhileResizingChangesNothing) {
    resize_graph(graph, 10, 80);
    watch_one_interface();
    graph.resizing = true;
    tick(1000, 1000);
    EXPECT_EQ(graph.count, 0);
    EXPECT_EQ(warm_up_count, 0);
}

TEST_F(SamplingTest, WithoutCountersEveryTickStoresZeros) {
    resize_graph(graph, 3, 80);
    for (int i = 0; i < 5; ++i) sample(graph);
    EXPECT_EQ(graph.count, 3);
    EXPECT_EQ(graph.download_peak, 0);
    EXPECT_EQ(graph.upload_peak, 0);
    EXPECT_EQ(graph.scale_max, 0);
    EXPECT_STREQ(graph.download_label, "Down:  0.0 bytes/s");
    EXPECT_STREQ(graph.upload_label, "Up:  0.0 bytes/s");
    EXPECT_STREQ(graph.max_label, "Max:  0.0 bytes/s");
    EXPECT_EQ(warm_up_count, 0);
}

TEST_F(SamplingTest, WarmUpSwallowsTwoDownloadReadsWhenOnlyTheyWork) {
    resize_graph(graph, 8, 80);
    eth = scripted_add("eth0", true);
    select_download_interface(graph, "eth0");
    PdhCollectQueryData(graph.query);
    tick(700, 0);
    tick(700, 0);
    tick(700, 0);
    EXPECT_EQ(ring(graph, graph.download_history), (std::vector<std::int64_t>{0, 0, 700, 0, 0, 0, 0, 0}));
}

TEST_F(SamplingTest, TheRealSourceGivesNoValueAtTheFirstCollection) {
    resize_graph(graph, 8, 80);
    eth = scripted_add("eth0", true);
    select_download_interface(graph, "eth0");
    select_upload_interface(graph, "eth0");
    for (int i = 0; i < 3; ++i) tick(500, 100);
    // Tick 1 has no value; tick 2's two reads feed the warm-up; tick 3 shows.
    EXPECT_EQ(ring(graph, graph.download_history), (std::vector<std::int64_t>{0, 0, 500, 0, 0, 0, 0, 0}));
    EXPECT_EQ(ring(graph, graph.upload_history), (std::vector<std::int64_t>{0, 0, 100, 0, 0, 0, 0, 0}));
}

TEST_F(SamplingTest, ALockedMaximumStaysWhilePeaksAreStillComputed) {
    resize_graph(graph, 4, 80);
    watch_one_interface();
    graph.locked_max = true;
    graph.scale_max = 1048576;
    for (int i = 0; i < 3; ++i) tick(5000, 100);
    EXPECT_EQ(graph.scale_max, 1048576);
    EXPECT_STREQ(graph.max_label, "Max:  1.0 mB/s");
    EXPECT_EQ(graph.download_peak, 5000);
    EXPECT_EQ(graph.upload_peak, 100);
}

TEST_F(SamplingTest, EqualPeaksSetTheScaleToThatValue) {
    resize_graph(graph, 4, 80);
    watch_one_interface();
    for (int i = 0; i < 3; ++i) tick(2500, 2500);
    EXPECT_EQ(graph.scale_max, 2500);
}

TEST_F(SamplingTest, PeaksCountOnlySamplesThatSurviveAShrink) {
    resize_graph(graph, 6, 80);
    watch_one_interface();
    tick(0, 0);
    tick(0, 0);
    tick(9000, 0);
    tick(10, 0);
    tick(20, 0);
    resize_graph(graph, 2, 80);
    tick(30, 0);
    EXPECT_EQ(graph.download_peak, 30);
}

TEST_F(SamplingTest, ChangingTheInterfaceKeepsTheHistory) {
    resize_graph(graph, 4, 80);
    watch_one_interface();
    tick(0, 0);
    tick(800, 80);
    select_download_interface(graph, "wlan0");
    EXPECT_STREQ(graph.upload_interface, "eth0");
    EXPECT_EQ(graph.count, 2);
    EXPECT_EQ(graph.download_history[1], 800);
    tick(100, 10);
    EXPECT_EQ(graph.download_history[2], 0);  // wlan0 does not exist
    EXPECT_EQ(graph.upload_history[2], 10);
}

TEST_F(SamplingTest, AnInvalidQueryIsFatal) {
    resize_graph(graph, 4, 80);
    CatchFatalErrors catcher;
    PdhCloseQuery(graph.query);
    EXPECT_THROW(
        {
            try {
                sample(graph);
            } catch (const FatalErrorRaised& error) {
                EXPECT_STREQ(error.what(), "PdhCollectQueryData() failure");
                throw;
            }
        },
        FatalErrorRaised);
    EXPECT_EQ(graph.count, 0);
    PdhOpenQueryA(nullptr, 0, &graph.query);  // for the teardown
}

TEST(HistoryPeak, NeverBelowZeroAndOnlyOverValidSamples) {
    std::int64_t samples[4] = {-5, -7, 99, -1};
    TrafficGraph graph{};
    graph.capacity = 4;
    graph.head = 2;
    graph.count = 2;  // valid: index 1 and 0
    EXPECT_EQ(history_peak(graph, samples), 0);
    graph.count = 0;
    EXPECT_EQ(history_peak(graph, samples), 0);
    graph.head = 3;
    graph.count = 3;
    EXPECT_EQ(history_peak(graph, samples), 99);
}

}  // namespace
