#include "graph/paint_graph.h"

#include <algorithm>
#include <cmath>

namespace {

// Far beyond any image (heights are 32-bit) and far inside 64-bit range.
constexpr double length_limit = 1099511627776.0;  // 2^40

int label_length(const char (&label)[32]) {
    int length = 0;
    while (length < static_cast<int>(sizeof label) && label[length]) ++length;
    return length;
}

Colour max_line_colour(const TrafficGraph& graph, const ColorSet& colors) {
    if (graph.scale_max == graph.download_peak) return colors.download;
    if (graph.scale_max == graph.upload_peak) return colors.upload;
    return colors.text_labels;
}

}  // namespace

GraphMetrics graph_metrics(int dpi) {
    return {scale_to_dpi(12, dpi), scale_to_dpi(16, dpi), scale_to_dpi(3, dpi), scale_to_dpi(1, dpi),
            scale_to_dpi(13, dpi)};
}

std::int64_t bar_length(std::int64_t sample, double scale) {
    const double product = static_cast<double>(sample) * scale;
    const double length = std::ceil(product);
    if (std::isnan(length)) return 0;  // cannot come from finite inputs; never convert it all the same
    return static_cast<std::int64_t>(std::clamp(length, -length_limit, length_limit));
}

PixelRun cut_run(std::int64_t from, std::int64_t to, int size, Colour colour) {
    // A line covers its start and stops one pixel short of its end.
    std::int64_t first = from, end = to;
    if (to < from) {
        first = to + 1;
        end = from + 1;
    }
    first = std::max<std::int64_t>(first, 0);
    end = std::min<std::int64_t>(end, size);
    if (first >= end) return {0, 0, colour};
    return {static_cast<int>(first), static_cast<int>(end), colour};
}

GraphGeometry graph_geometry(const TrafficGraph& graph) {
    GraphGeometry geometry{};
    if (graph.resizing || !graph.download_history || !graph.upload_history) return geometry;
    if (graph.width <= 0 || graph.height <= 0) return geometry;

    const int width = graph.width, height = graph.height;
    const GraphMetrics metrics = graph_metrics(graph.dpi);
    geometry.drawn = true;
    geometry.width = width;
    geometry.height = height;
    geometry.metrics = metrics;
    geometry.palette = shown_palette(graph.colors, graph.contrast);
    geometry.background = geometry.palette.colors.background;
    // The rows from the maximum line down to the baseline, both included: at
    // 96 DPI, height - 27.
    const std::int64_t span =
        static_cast<std::int64_t>(height) - metrics.baseline_offset - metrics.max_line_row + 1;
    geometry.scale =
        graph.scale_max == 0 ? 0.0 : static_cast<double>(span) / static_cast<double>(graph.scale_max);
    // Only the valid samples that have a column of their own.
    geometry.bar_count = graph.capacity > 0 ? std::clamp(graph.count, 0, std::min(graph.capacity, width)) : 0;

    const ColorSet& colors = geometry.palette.colors;
    const Colour line_colour = max_line_colour(graph, colors);
    geometry.max_line =
        height > metrics.max_line_row ? PixelRun{0, width, line_colour} : PixelRun{0, 0, line_colour};

    // In high contrast every text is in the text colour.
    const bool dependent = graph.dependent_text_color && !geometry.palette.high_contrast;
    const int bottom_labels = height - metrics.bottom_label_offset;
    geometry.labels[0] = {metrics.label_left,
                          metrics.max_label_top,
                          graph.max_label,
                          label_length(graph.max_label),
                          dependent ? line_colour : colors.text_labels,
                          colors.background};
    geometry.labels[1] = {metrics.label_left,
                          bottom_labels,
                          graph.download_label,
                          label_length(graph.download_label),
                          dependent ? colors.download : colors.text_labels,
                          colors.background};
    geometry.labels[2] = {width / 2,
                          bottom_labels,
                          graph.upload_label,
                          label_length(graph.upload_label),
                          dependent ? colors.upload : colors.text_labels,
                          colors.background};
    return geometry;
}

BarColumn graph_bar(const TrafficGraph& graph, const GraphGeometry& geometry, int i) {
    const std::int64_t capacity = graph.capacity;
    const std::int64_t j = ((graph.head - 1 - static_cast<std::int64_t>(i)) % capacity + capacity) % capacity;
    const std::int64_t d = graph.download_history[j];
    const std::int64_t u = graph.upload_history[j];
    const bool download_larger = d >= u;
    const std::int64_t small = download_larger ? u : d;
    const std::int64_t large = download_larger ? d : u;
    const Palette& palette = geometry.palette;
    const Colour large_colour = download_larger ? palette.colors.download : palette.colors.upload;

    const std::int64_t s = bar_length(small, geometry.scale);
    const std::int64_t l = bar_length(large, geometry.scale);
    const std::int64_t baseline =
        static_cast<std::int64_t>(geometry.height) - geometry.metrics.baseline_offset;

    BarColumn bar;
    bar.x = geometry.width - 1 - i;
    bar.overlapped = cut_run(baseline, baseline - s, geometry.height, palette.colors.overlapped);
    bar.overlapped.fill = palette.overlapped_fill;
    bar.large = cut_run(baseline - s, baseline - l, geometry.height, large_colour);
    bar.large.fill = download_larger ? palette.download_fill : palette.upload_fill;
    return bar;
}

namespace {

struct BandRuns {
    int overlapped_first[bar_band_columns];
    unsigned overlapped_length[bar_band_columns];
    int large_first[bar_band_columns];
    unsigned large_length[bar_band_columns];
    std::uint32_t large_pixel[bar_band_columns];
    Fill overlapped_fill[bar_band_columns];
    Fill large_fill[bar_band_columns];
};

// Whether the pixel at (x, y) of a run with this fill takes the run's colour.
bool covers(Fill fill, int x, int y) {
    return fill == Fill::solid || fill_covers(fill, x, y);
}

}  // namespace

void paint_bar_band(const TrafficGraph& graph, const GraphGeometry& geometry, int left, std::uint32_t* pixels,
                    int stride) {
    const int width = geometry.width, height = geometry.height;
    const std::uint32_t background = dib_pixel(geometry.background);
    const std::uint32_t overlapped = dib_pixel(geometry.palette.colors.overlapped);
    const bool patterned = geometry.palette.overlapped_fill != Fill::solid ||
                           geometry.palette.download_fill != Fill::solid ||
                           geometry.palette.upload_fill != Fill::solid;
    const int first_bar_x = width - geometry.bar_count;
    const int columns = std::min(bar_band_columns, width - left);
    BandRuns runs;
    int top = height, bottom = 0;  // rows that any bar of this band touches
    for (int c = 0; c < columns; ++c) {
        const int x = left + c;
        runs.overlapped_length[c] = runs.large_length[c] = 0;
        runs.overlapped_first[c] = runs.large_first[c] = 0;
        runs.large_pixel[c] = background;
        runs.overlapped_fill[c] = runs.large_fill[c] = Fill::solid;
        if (x < first_bar_x) continue;
        const BarColumn bar = graph_bar(graph, geometry, width - 1 - x);
        if (!run_is_empty(bar.overlapped)) {
            runs.overlapped_first[c] = bar.overlapped.first;
            runs.overlapped_length[c] = static_cast<unsigned>(bar.overlapped.end - bar.overlapped.first);
            runs.overlapped_fill[c] = bar.overlapped.fill;
            top = std::min(top, bar.overlapped.first);
            bottom = std::max(bottom, bar.overlapped.end);
        }
        if (!run_is_empty(bar.large)) {
            runs.large_first[c] = bar.large.first;
            runs.large_length[c] = static_cast<unsigned>(bar.large.end - bar.large.first);
            runs.large_pixel[c] = dib_pixel(bar.large.colour);
            runs.large_fill[c] = bar.large.fill;
            top = std::min(top, bar.large.first);
            bottom = std::max(bottom, bar.large.end);
        }
    }
    for (int y = 0; y < height; ++y) {
        std::uint32_t* row = pixels + static_cast<std::size_t>(y) * stride;
        if (y < top || y >= bottom) {
            std::fill_n(row, columns, background);
            continue;
        }
        // The larger sample's part is drawn after the overlapped part, so it wins.
        if (!patterned) {
            for (int c = 0; c < columns; ++c) {
                std::uint32_t pixel = background;
                if (static_cast<unsigned>(y - runs.overlapped_first[c]) < runs.overlapped_length[c])
                    pixel = overlapped;
                if (static_cast<unsigned>(y - runs.large_first[c]) < runs.large_length[c])
                    pixel = runs.large_pixel[c];
                row[c] = pixel;
            }
            continue;
        }
        for (int c = 0; c < columns; ++c) {
            std::uint32_t pixel = background;
            if (static_cast<unsigned>(y - runs.overlapped_first[c]) < runs.overlapped_length[c] &&
                covers(runs.overlapped_fill[c], left + c, y))
                pixel = overlapped;
            if (static_cast<unsigned>(y - runs.large_first[c]) < runs.large_length[c])
                pixel = covers(runs.large_fill[c], left + c, y) ? runs.large_pixel[c] : background;
            row[c] = pixel;
        }
    }
}

void paint_bars(const TrafficGraph& graph, const GraphGeometry& geometry, std::uint32_t* pixels) {
    for (int left = 0; left < geometry.width; left += bar_band_columns)
        paint_bar_band(graph, geometry, left, pixels + left, geometry.width);
}
