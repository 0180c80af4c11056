// The Usage window's chart as plain geometry: a download and an upload bar
// per day (or month), the scale's top line and the labels' places. The
// Windows painter turns it into pixels.
#pragma once

#include <cstdint>

constexpr int usage_chart_max_bars = 31;

// Pixels left..right-1, top..bottom-1; empty when either end is not beyond its start.
struct ChartRect {
    int left;
    int top;
    int right;
    int bottom;
};

inline bool rect_is_empty(const ChartRect& rect) {
    return rect.left >= rect.right || rect.top >= rect.bottom;
}

struct UsageChartBar {
    std::uint64_t received;
    std::uint64_t sent;
    bool labelled;  // its day of the month (or month) is written under it
};

struct UsageChartPlace {
    ChartRect slot;  // the bar pair's column, for pointing
    ChartRect download;
    ChartRect upload;
    int label_centre;
};

struct UsageChartGeometry {
    bool drawn;
    int width;
    int height;
    std::uint64_t top_value;  // a bar of this many bytes reaches the top line
    ChartRect plot;           // bars stand on plot.bottom; the top line is row plot.top
    int scale_label_left;     // the top value's text, above the top line
    int scale_label_top;
    int bar_label_top;  // the labels under the bars
    int bar_count;
    UsageChartPlace bars[usage_chart_max_bars];
};

// Bars, oldest first; `text_height` is the labels' line height in pixels.
UsageChartGeometry usage_chart_geometry(int width, int height, int dpi, int text_height,
                                        const UsageChartBar* bars, int bar_count);

// The bar whose column holds x, or -1.
int usage_chart_bar_at(const UsageChartGeometry& geometry, int x);
