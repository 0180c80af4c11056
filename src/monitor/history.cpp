#include <cstdlib>

#include "monitor/fatal.h"
#include "monitor/traffic_graph.h"

void resize_history(TrafficGraph& graph, std::int64_t** ring, int entries) {
    auto* resized =
        static_cast<std::int64_t*>(std::calloc(static_cast<std::size_t>(entries), sizeof(std::int64_t)));
    if (!resized) fatal_error("malloc() Failure");
    const std::int32_t old_capacity = graph.capacity, old_count = graph.count, old_head = graph.head;
    // Oldest first, so that when the ring shrinks the newest samples win.
    for (std::int32_t i = 0; i < old_count; ++i)
        resized[i % entries] = (*ring)[(old_head - old_count + old_capacity + i) % old_capacity];
    std::free(*ring);
    *ring = resized;
}

void resize_graph(TrafficGraph& graph, int width, int height) {
    graph.width = width;
    graph.height = height;
    if (graph.height == 0) graph.height = 1;
    if (graph.width == 0) graph.width = 1;
    if (graph.width == graph.capacity) return;

    graph.resizing = true;
    resize_history(graph, &graph.download_history, graph.width);
    resize_history(graph, &graph.upload_history, graph.width);
    const std::int32_t old_count = graph.count;
    graph.capacity = graph.width;
    graph.head = old_count % graph.width;
    if (graph.width < old_count) graph.count = graph.width;
    graph.resizing = false;
}
