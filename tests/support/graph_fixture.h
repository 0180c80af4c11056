// Gives each test a freshly created Traffic graph record on a scripted source.
#pragma once

#include <gtest/gtest.h>

#include <cstring>

#include "monitor/traffic_graph.h"
#include "support/scripted_counters.h"

inline void start_fresh_traffic_graph() {
    if (traffic_graph.query) destroy_traffic_graph();
    std::memset(&traffic_graph, 0, sizeof traffic_graph);
    warm_up_count = 0;
    scripted_reset();
    create_traffic_graph();
}

class GraphTest : public ::testing::Test {
protected:
    void SetUp() override { start_fresh_traffic_graph(); }
    void TearDown() override {
        destroy_traffic_graph();
        set_counter_backend(nullptr);
    }
    TrafficGraph& graph = traffic_graph;
};
