#include "graph/usage_chart.h"

#include <algorithm>

#include "dpi.h"

namespace {

using Wide = unsigned __int128;

// Rows of a bar: a value of top_value fills the plot; anything above 0 shows.
int bar_rows(std::uint64_t value, std::uint64_t top_value, int plot_rows) {
    if (value == 0 || top_value == 0 || plot_rows <= 0) return 0;
    const Wide scaled = (Wide(value) * static_cast<unsigned>(plot_rows) + top_value - 1) / top_value;
    return static_cast<int>(std::min<Wide>(scaled, static_cast<unsigned>(plot_rows)));
}

ChartRect standing(int left, int right, int bottom, int rows) {
    return {left, bottom - rows, right, bottom};
}

}  // namespace

UsageChartGeometry usage_chart_geometry(int width, int height, int dpi, int text_height,
                                        const UsageChartBar* bars, int bar_count) {
    UsageChartGeometry geometry{};
    if (width <= 0 || height <= 0) return geometry;
    geometry.drawn = true;
    geometry.width = width;
    geometry.height = height;
    const int margin = scale_to_dpi(4, dpi);
    const int spacing = scale_to_dpi(2, dpi);
    geometry.scale_label_left = margin;
    geometry.scale_label_top = margin;
    geometry.plot = {margin, margin + text_height + spacing, width - margin,
                     height - margin - text_height - spacing};
    geometry.bar_label_top = geometry.plot.bottom + spacing;
    geometry.bar_count = std::clamp(bar_count, 0, usage_chart_max_bars);
    for (int i = 0; i < geometry.bar_count; ++i)
        geometry.top_value = std::max({geometry.top_value, bars[i].received, bars[i].sent});

    const ChartRect& plot = geometry.plot;
    const int plot_width = std::max(plot.right - plot.left, 0);
    const int plot_rows = std::max(plot.bottom - plot.top, 0);
    for (int i = 0; i < geometry.bar_count; ++i) {
        const int left = plot.left + i * plot_width / geometry.bar_count;
        const int right = plot.left + (i + 1) * plot_width / geometry.bar_count;
        const int gap = std::max(1, (right - left) / 6);
        const int middle = (left + right) / 2;
        UsageChartPlace& place = geometry.bars[i];
        place.slot = {left, plot.top, right, plot.bottom};
        place.download = standing(left + gap, middle, plot.bottom,
                                  bar_rows(bars[i].received, geometry.top_value, plot_rows));
        place.upload =
            standing(middle, right - gap, plot.bottom, bar_rows(bars[i].sent, geometry.top_value, plot_rows));
        place.label_centre = middle;
    }
    return geometry;
}

int usage_chart_bar_at(const UsageChartGeometry& geometry, int x) {
    for (int i = 0; i < geometry.bar_count; ++i) {
        if (x >= geometry.bars[i].slot.left && x < geometry.bars[i].slot.right) return i;
    }
    return -1;
}
