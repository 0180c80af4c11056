#include <gtest/gtest.h>

#include <vector>

#include "support/graph_fixture.h"

namespace {

std::vector<std::int64_t> ring(const TrafficGraph& graph, const std::int64_t* history) {
    return std::vector<std::int64_t>(history, history + graph.capacity);
}

// The valid samples, newest first.
std::vector<std::int64_t> newest_first(const TrafficGraph& graph, const std::int64_t* history) {
    std::vector<std::int64_t> samples;
    for (int k = 0; k < graph.count; ++k)
        samples.push_back(history[(graph.head - 1 - k + graph.capacity) % graph.capacity]);
    return samples;
}

class HistoryTest : public GraphTest {
protected:
    // Builds the ring [50, 60, 10, 20, 30, 40] with head 2: 10 oldest, 60 newest.
    void fill_example() {
        resize_graph(graph, 6, 80);
        const std::int64_t download[] = {50, 60, 10, 20, 30, 40};
        for (int i = 0; i < 6; ++i) {
            graph.download_history[i] = download[i];
            graph.upload_history[i] = download[i] + 1;
        }
        graph.count = 6;
        graph.head = 2;
    }
};

TEST_F(HistoryTest, FirstSizeMessageCreatesEmptyRings) {
    resize_graph(graph, 200, 80);
    EXPECT_EQ(graph.capacity, 200);
    EXPECT_EQ(graph.head, 0);
    EXPECT_EQ(graph.count, 0);
    EXPECT_EQ(graph.width, 200);
    EXPECT_EQ(graph.height, 80);
    EXPECT_EQ(ring(graph, graph.download_history), std::vector<std::int64_t>(200, 0));
    EXPECT_EQ(ring(graph, graph.upload_history), std::vector<std::int64_t>(200, 0));
}

TEST_F(HistoryTest, ShrinkKeepsTheNewestSamplesInOrder) {
    fill_example();
    resize_graph(graph, 4, 80);
    EXPECT_EQ(ring(graph, graph.download_history), (std::vector<std::int64_t>{50, 60, 30, 40}));
    EXPECT_EQ(ring(graph, graph.upload_history), (std::vector<std::int64_t>{51, 61, 31, 41}));
    EXPECT_EQ(graph.head, 2);
    EXPECT_EQ(graph.count, 4);
    EXPECT_EQ(newest_first(graph, graph.download_history), (std::vector<std::int64_t>{60, 50, 40, 30}));
}

TEST_F(HistoryTest, GrowKeepsEverySample) {
    fill_example();
    resize_graph(graph, 8, 80);
    EXPECT_EQ(ring(graph, graph.download_history), (std::vector<std::int64_t>{10, 20, 30, 40, 50, 60, 0, 0}));
    EXPECT_EQ(graph.head, 6);
    EXPECT_EQ(graph.count, 6);
    EXPECT_EQ(graph.capacity, 8);
}

TEST_F(HistoryTest, AHeightChangeAloneOnlyUpdatesTheHeight) {
    fill_example();
    const std::int64_t* before = graph.download_history;
    resize_graph(graph, 6, 120);
    EXPECT_EQ(graph.height, 120);
    EXPECT_EQ(graph.download_history, before);
    EXPECT_EQ(graph.head, 2);
    EXPECT_EQ(graph.count, 6);
}

TEST_F(HistoryTest, ZeroSizeIsTakenAsOnePixel) {
    fill_example();
    resize_graph(graph, 0, 0);
    EXPECT_EQ(graph.width, 1);
    EXPECT_EQ(graph.height, 1);
    EXPECT_EQ(graph.count, 1);
    EXPECT_EQ(graph.head, 0);
    EXPECT_EQ(graph.download_history[0], 60);
}

TEST_F(HistoryTest, AfterGrowingTheNextSampleGoesBehindTheOldOnes) {
    fill_example();
    resize_graph(graph, 10, 80);
    sample(graph);
    EXPECT_EQ(graph.count, 7);
    EXPECT_EQ(graph.head, 7);
    EXPECT_EQ(newest_first(graph, graph.download_history)[1], 60);
}

TEST_F(HistoryTest, BackAndForthKeepsTheSamplesOfTheNarrowestWidth) {
    fill_example();
    resize_graph(graph, 3, 80);
    resize_graph(graph, 9, 80);
    resize_graph(graph, 5, 80);
    EXPECT_EQ(graph.count, 3);
    EXPECT_EQ(newest_first(graph, graph.download_history), (std::vector<std::int64_t>{60, 50, 40}));
    EXPECT_EQ(newest_first(graph, graph.upload_history), (std::vector<std::int64_t>{61, 51, 41}));
}

TEST_F(HistoryTest, WidestWindowIsAccepted) {
    resize_graph(graph, 65535, 65535);
    EXPECT_EQ(graph.capacity, 65535);
    EXPECT_EQ(graph.height, 65535);
}

}  // namespace
