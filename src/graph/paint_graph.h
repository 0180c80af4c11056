// What one paint of the graph draws, as plain geometry: no window system
// involved, so it can be computed and checked anywhere. The Windows renderer
// turns it into pixels.
#pragma once

#include <cstdint>

#include "dpi.h"
#include "graph/contrast_colors.h"
#include "graph/dib.h"
#include "graph/themes.h"
#include "monitor/traffic_graph.h"

// Pixels first..end-1 of one row or column, already cut to the image; empty
// when first >= end. A run filled with a pattern covers only the pixels that
// fill_covers picks, at their place in the image; the rest keep the background.
struct PixelRun {
    int first;
    int end;
    Colour colour;
    Fill fill = Fill::solid;
};

inline bool run_is_empty(const PixelRun& run) {
    return run.first >= run.end;
}

// One sample's bar pair in column x: rows of the overlapped part, drawn
// first, then rows of the larger sample's part.
struct BarColumn {
    int x;
    PixelRun overlapped;
    PixelRun large;
};

// A label drawn at (x, y) with its cell filled with cell_colour. `text` points
// into the record and holds `length` characters; 0 means nothing is drawn.
struct LabelPlacement {
    int x;
    int y;
    const char* text;
    int length;
    Colour text_colour;
    Colour cell_colour;
};

// The graph's lengths, given in pixels at 96 DPI (in brackets), for the DPI
// that it is drawn at. Bars stay one pixel column per sample at every DPI.
struct GraphMetrics {
    int max_line_row;         // (12) the maximum line
    int baseline_offset;      // (16) the bars stand on row height - baseline_offset
    int label_left;           // (3) the Max and Down labels' left edge
    int max_label_top;        // (1)
    int bottom_label_offset;  // (13) the Down and Up labels start at row height - bottom_label_offset
};

GraphMetrics graph_metrics(int dpi);

// Everything but the bars, which come column by column from `graph_bar`.
// Drawing order: background, bars 0..bar_count-1, maximum line, labels[0..2].
struct GraphGeometry {
    bool drawn;  // false: the paint draws nothing at all
    int width;
    int height;
    GraphMetrics metrics;
    Colour background;
    Palette palette;  // the colours and fills painted: the user's, or high contrast's
    // Rows per byte per second: a sample equal to the scale maximum reaches from
    // the baseline up to the maximum line. 0 when the scale maximum is 0.
    double scale;
    int bar_count;             // bar i lies in column width - 1 - i
    PixelRun max_line;         // columns of row metrics.max_line_row; empty when the image is lower
    LabelPlacement labels[3];  // max, download, upload
};

GraphGeometry graph_geometry(const TrafficGraph& graph);

// The bar pair of the i-th newest sample, 0 <= i < geometry.bar_count.
BarColumn graph_bar(const TrafficGraph& graph, const GraphGeometry& geometry, int i);

// Writes the background and the bars into a top-down image of
// geometry.width x geometry.height DIB pixels, a band of columns at a time
// and row after row within it, so that large images are written in memory order.
void paint_bars(const TrafficGraph& graph, const GraphGeometry& geometry, std::uint32_t* pixels);

// Columns painted together: their runs fit on the stack.
constexpr int bar_band_columns = 256;

// One band: columns left .. left + bar_band_columns - 1 (fewer at the right
// edge), all rows, written to `pixels` whose rows lie `stride` pixels apart.
void paint_bar_band(const TrafficGraph& graph, const GraphGeometry& geometry, int left, std::uint32_t* pixels,
                    int stride);

// ceil(sample * scale) with the product rounded to double, limited so that it
// never overflows; anything beyond the limit lies far outside every image.
std::int64_t bar_length(std::int64_t sample, double scale);

// The pixels a line from `from` towards `to` covers (`to` itself excluded),
// cut to 0..size-1.
PixelRun cut_run(std::int64_t from, std::int64_t to, int size, Colour colour);
