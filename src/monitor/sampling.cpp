#include <cstdio>

#include "monitor/fatal.h"
#include "monitor/format_rate.h"
#include "monitor/traffic_graph.h"

std::int8_t warm_up_count = 0;

// The large format, so that links faster than 2 GiB/s are not cut.
std::int64_t read_counter(TrafficGraph& graph, PDH_HCOUNTER counter) {
    if (PdhGetFormattedCounterValue(counter, PDH_FMT_LARGE, &graph.counter_type, &graph.counter_value) != 0)
        return 0;
    if (warm_up_count >= 2) return graph.counter_value.largeValue;
    ++warm_up_count;
    return 0;
}

std::int64_t history_peak(const TrafficGraph& graph, const std::int64_t* ring) {
    std::int64_t peak = 0;
    for (std::int32_t k = 0; k < graph.count; ++k) {
        std::int64_t entry = ring[(graph.head + graph.capacity - 1 - k) % graph.capacity];
        if (entry > peak) peak = entry;
    }
    return peak;
}

namespace {

void format_labels(TrafficGraph& graph, std::int64_t download, std::int64_t upload) {
    format_rate_in(graph.download_rate_text, download, graph.rate_units);
    format_rate_in(graph.upload_rate_text, upload, graph.rate_units);
    format_rate_in(graph.max_rate_text, graph.scale_max, graph.rate_units);
    std::snprintf(graph.download_label, sizeof graph.download_label, download_label_format,
                  graph.download_rate_text);
    std::snprintf(graph.upload_label, sizeof graph.upload_label, upload_label_format, graph.upload_rate_text);
    std::snprintf(graph.max_label, sizeof graph.max_label, "Max:  %s/s", graph.max_rate_text);
}

}  // namespace

void sample(TrafficGraph& graph) {
    if (graph.resizing || !graph.download_history || !graph.upload_history) return;
    if (PdhCollectQueryData(graph.query) == PDH_INVALID_HANDLE) fatal_error("PdhCollectQueryData() failure");

    const std::int64_t download = read_counter(graph, graph.download_counter);
    graph.download_history[graph.head] = download;
    const std::int64_t upload = read_counter(graph, graph.upload_counter);
    graph.upload_history[graph.head] = upload;

    graph.head = (graph.head + 1) % graph.capacity;
    if (graph.count < graph.capacity) ++graph.count;

    graph.download_peak = history_peak(graph, graph.download_history);
    graph.upload_peak = history_peak(graph, graph.upload_history);
    if (!graph.locked_max)
        graph.scale_max = graph.download_peak > graph.upload_peak ? graph.download_peak : graph.upload_peak;

    format_labels(graph, download, upload);
}

void reformat_labels(TrafficGraph& graph) {
    if (graph.count <= 0 || graph.capacity <= 0 || !graph.download_history || !graph.upload_history) return;
    const std::int32_t newest = (graph.head + graph.capacity - 1) % graph.capacity;
    format_labels(graph, graph.download_history[newest], graph.upload_history[newest]);
}
