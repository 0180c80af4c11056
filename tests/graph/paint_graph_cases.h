// Graph states worth painting, shared by the geometry tests and the GDI
// rendering tests, and a plain rasteriser of the geometry (everything but the
// label texts) to compare pictures against.
#pragma once

#include <climits>
#include <cstdio>
#include <cstring>
#include <vector>

#include <gtest/gtest.h>

#include "graph/paint_graph.h"
#include "monitor/traffic_graph.h"

namespace paint_cases {

inline void size_graph(TrafficGraph& graph, int width, int height) {
    resize_graph(graph, width, height);
}

inline void push_sample(TrafficGraph& graph, std::int64_t download, std::int64_t upload) {
    graph.download_history[graph.head] = download;
    graph.upload_history[graph.head] = upload;
    graph.head = (graph.head + 1) % graph.capacity;
    if (graph.count < graph.capacity) ++graph.count;
}

inline void set_labels(TrafficGraph& graph, const char* max, const char* download, const char* upload) {
    std::snprintf(graph.max_label, sizeof graph.max_label, "%s", max);
    std::snprintf(graph.download_label, sizeof graph.download_label, "%s", download);
    std::snprintf(graph.upload_label, sizeof graph.upload_label, "%s", upload);
}

inline void set_scale(TrafficGraph& graph, std::int64_t scale_max, std::int64_t download_peak,
                      std::int64_t upload_peak, bool locked) {
    graph.scale_max = scale_max;
    graph.download_peak = download_peak;
    graph.upload_peak = upload_peak;
    graph.locked_max = locked;
}

inline void labelled_200x80(TrafficGraph& graph, std::int64_t download, std::int64_t upload) {
    size_graph(graph, 200, 80);
    push_sample(graph, download, upload);
    set_scale(graph, 1000, 1000, 400, false);
    set_labels(graph, "Max:  1000 B/s", "Down:  500 B/s", "Up:  200 B/s");
}

struct PaintCase {
    const char* name;
    void (*setup)(TrafficGraph& graph);
};

const PaintCase all_cases[] = {
    {"download_above_upload", [](TrafficGraph& g) { labelled_200x80(g, 500, 200); }},
    {"upload_above_download", [](TrafficGraph& g) { labelled_200x80(g, 200, 500); }},
    {"equal_samples", [](TrafficGraph& g) { labelled_200x80(g, 300, 300); }},
    {"nothing_sampled",
     [](TrafficGraph& g) {
         size_graph(g, 120, 60);
         set_labels(g, "Max:  500 kB/s", "Down:  0 B/s", "Up:  0 B/s");
     }},
    {"smallest_sample_one_pixel",
     [](TrafficGraph& g) {
         size_graph(g, 50, 127);
         push_sample(g, 3, 3);
         set_scale(g, 1000, 3, 3, true);
     }},
    {"product_rounded_before_ceiling",
     [](TrafficGraph& g) {
         size_graph(g, 120, 34);
         push_sample(g, 25, 0);
         set_scale(g, 25, 25, 0, false);
         set_labels(g, "Max:  25 B/s", "", "");
     }},
    {"height_27_flat",
     [](TrafficGraph& g) {
         size_graph(g, 40, 27);
         for (int i = 0; i < 40; ++i) push_sample(g, 1000 * i, 700 * i);
         set_scale(g, 39000, 39000, 27300, false);
     }},
    {"height_20_hanging",
     [](TrafficGraph& g) {
         size_graph(g, 40, 20);
         push_sample(g, 500, 0);
         set_scale(g, 1000, 500, 0, true);
     }},
    {"zero_scale",
     [](TrafficGraph& g) {
         size_graph(g, 64, 48);
         for (int i = 0; i < 10; ++i) push_sample(g, 0, 0);
         set_scale(g, 0, 0, 0, false);
         set_labels(g, "Max:  0 B/s", "Down:  0 B/s", "Up:  0 B/s");
     }},
    {"locked_max_matching_neither_peak",
     [](TrafficGraph& g) {
         size_graph(g, 200, 80);
         push_sample(g, 300, 100);
         push_sample(g, 200, 600);
         set_scale(g, 1000, 300, 600, true);
         g.dependent_text_color = true;
         set_labels(g, "Max:  1000 B/s", "Down:  200 B/s", "Up:  600 B/s");
     }},
    {"both_peaks_equal_scale",
     [](TrafficGraph& g) {
         size_graph(g, 200, 80);
         push_sample(g, 800, 800);
         set_scale(g, 800, 800, 800, false);
         g.dependent_text_color = true;
         set_labels(g, "Max:  800 B/s", "Down:  800 B/s", "Up:  800 B/s");
     }},
    {"narrow_labels_overlap",
     [](TrafficGraph& g) {
         size_graph(g, 155, 60);
         for (int i = 0; i < 155; ++i) push_sample(g, 40 * i, 6000 - 40 * i);
         set_scale(g, 6000, 6160, 6000, false);
         set_labels(g, "Max:  5.9 kB/s", "Down:  1023.9 kB/s and more", "Up:  5.9 kB/s");
     }},
    {"sample_above_locked_max",
     [](TrafficGraph& g) {
         size_graph(g, 200, 80);
         push_sample(g, 5000, 100);
         set_scale(g, 1000, 5000, 100, true);
     }},
    {"extreme_samples_and_scales",
     [](TrafficGraph& g) {
         size_graph(g, 60, 80);
         push_sample(g, INT_MAX, 0);
         push_sample(g, INT_MAX, INT_MAX);
         push_sample(g, INT_MIN, 0);
         push_sample(g, 0, INT_MIN);
         push_sample(g, INT_MIN, INT_MAX);
         push_sample(g, 500, -500);
         set_scale(g, 1, INT_MAX, INT_MAX, true);
     }},
    {"negative_scale_max",
     [](TrafficGraph& g) {
         size_graph(g, 60, 80);
         push_sample(g, 500, 200);
         push_sample(g, INT_MAX, INT_MIN);
         set_scale(g, -1000, 0, 0, true);
     }},
    {"full_ring_wrapped",
     [](TrafficGraph& g) {
         size_graph(g, 97, 70);
         for (int i = 0; i < 250; ++i) push_sample(g, (i * 7919) % 4000, (i * 104729) % 4000);
         set_scale(g, 4000, 3999, 3998, true);
         set_labels(g, "Max:  3.9 kB/s", "Down:  2.1 kB/s", "Up:  3.3 kB/s");
     }},
    {"bars_under_labels",
     [](TrafficGraph& g) {
         // Bars far above a locked maximum reach the top label; bars hanging from the
         // baseline reach the bottom ones. The label cells hide both.
         size_graph(g, 200, 80);
         for (int i = 0; i < 200; ++i) {
             if (i % 3 == 0)
                 push_sample(g, -5000, -5000);
             else
                 push_sample(g, 5000 - i, 100 * i);
         }
         set_scale(g, 1000, 4999, 19900, true);
         g.dependent_text_color = true;
         set_labels(g, "Max:  1000 B/s", "Down:  4.8 kB/s", "Up:  19.4 kB/s");
     }},
    {"lower_than_the_max_line",
     [](TrafficGraph& g) {
         size_graph(g, 30, 10);
         for (int i = 0; i < 30; ++i) push_sample(g, 10 * i, 5 * i);
         set_scale(g, 290, 290, 145, false);
         set_labels(g, "Max:  290 B/s", "Down:  290 B/s", "Up:  145 B/s");
     }},
};

inline void setup_case(TrafficGraph& graph, const char* name) {
    for (const PaintCase& c : all_cases)
        if (std::strcmp(c.name, name) == 0) return c.setup(graph);
    ADD_FAILURE() << "no paint case " << name;
}

// The geometry painted into 0x00BBGGRR pixels, row by row, in drawing order.
inline std::vector<Colour> raster(const TrafficGraph& graph, const GraphGeometry& geometry) {
    const int width = geometry.width;
    std::vector<Colour> image(static_cast<std::size_t>(width) * geometry.height, geometry.background);
    // A patterned run leaves the background where its pattern does not cover.
    auto paint_column = [&](int x, const PixelRun& run) {
        for (int y = run.first; y < run.end; ++y)
            image[static_cast<std::size_t>(y) * width + x] =
                fill_covers(run.fill, x, y) ? run.colour : geometry.background;
    };
    for (int i = 0; i < geometry.bar_count; ++i) {
        const BarColumn bar = graph_bar(graph, geometry, i);
        paint_column(bar.x, bar.overlapped);
        paint_column(bar.x, bar.large);
    }
    for (int x = geometry.max_line.first; x < geometry.max_line.end; ++x)
        image[static_cast<std::size_t>(geometry.metrics.max_line_row) * width + x] = geometry.max_line.colour;
    return image;
}

}  // namespace paint_cases
