// Painting the graph with GDI: the whole client area is drawn off-screen and
// copied to the window in one step, so the window never shows half a graph.
#pragma once

#include <windows.h>

#include <cstdint>

#include "graph/dib_win.h"
#include "graph/gdi_guards.h"
#include "monitor/traffic_graph.h"

// The finished off-screen picture: a memory DC with the image selected, a
// top-down 32-bit DIB section (`bits`, pixels 0x00RRGGBB) for small images and
// a bitmap compatible with the window (`bits` null) for large ones. Members are
// released in reverse order: the old bitmap goes back into the DC before the
// image and then the DC are deleted.
struct GraphImage {
    GraphImage() = default;
    GraphImage(GraphImage&&) = default;
    // Member-wise assignment would delete the DC before putting its old bitmap back.
    GraphImage& operator=(GraphImage&&) = delete;

    DcGuard dc;
    ObjectGuard bitmap;
    SelectionGuard bitmap_selection;
    std::uint32_t* bits = nullptr;
    int width = 0;
    int height = 0;
};

// Draws the graph into a new image made for `reference`. The image is empty
// (no DC) when the record says nothing is to be drawn or GDI refuses.
GraphImage render_graph_image(const TrafficGraph& graph, HDC reference);

// Draws the graph for a screen of `dpi` from now on: its lengths follow, and
// the label font is made again for the new height.
void set_graph_dpi(TrafficGraph& graph, int dpi);

// Renders the graph and copies it to `target` at (0, 0).
void paint_graph(const TrafficGraph& graph, HDC target);
