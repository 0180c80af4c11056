#include "graph/paint_graph_win.h"

#include "graph/paint_graph.h"

namespace {

// The record's pen of the line's colour; the pens are made from these colours.
HPEN max_line_pen(const TrafficGraph& graph, Colour colour) {
    if (colour == graph.colors.download) return graph.download_pen;
    if (colour == graph.colors.upload) return graph.upload_pen;
    return graph.text_pen;
}

}  // namespace

GraphImage render_graph_image(const TrafficGraph& graph, HDC reference) {
    GraphImage image;
    const GraphGeometry geometry = graph_geometry(graph);
    if (!geometry.drawn) return image;
    const int width = geometry.width, height = geometry.height;

    image.dc = DcGuard(CreateCompatibleDC(reference));
    if (!image.dc.dc) return image;
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;  // top-down: row 0 first
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    image.bitmap = ObjectGuard(CreateDIBSection(image.dc.dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
    if (!image.bitmap.object || !bits) {
        image.dc = DcGuard();
        return image;
    }
    image.bitmap_selection = SelectionGuard(image.dc.dc, image.bitmap.object);
    image.bits = static_cast<std::uint32_t*>(bits);
    image.width = width;
    image.height = height;

    // Background and bars go straight into the pixels: one GDI call per run
    // would cost far more than the copy to the window.
    GdiFlush();
    paint_bars(graph, geometry, image.bits);

    HDC dc = image.dc.dc;
    SelectionGuard pen;
    if (!run_is_empty(geometry.max_line)) {
        pen = SelectionGuard(dc, max_line_pen(graph, geometry.max_line.colour));
        MoveToEx(dc, geometry.max_line.first, max_line_row, nullptr);
        LineTo(dc, geometry.max_line.end, max_line_row);
    }

    SelectionGuard font(dc, graph.font);
    SetBkMode(dc, OPAQUE);
    for (const LabelPlacement& label : geometry.labels) {
        if (label.length == 0) continue;
        SetBkColor(dc, label.cell_colour);
        SetTextColor(dc, label.text_colour);
        TextOutA(dc, label.x, label.y, label.text, label.length);
    }
    GdiFlush();
    return image;
}

void paint_graph(const TrafficGraph& graph, HDC target) {
    const GraphImage image = render_graph_image(graph, target);
    if (image.dc.dc) BitBlt(target, 0, 0, image.width, image.height, image.dc.dc, 0, 0, SRCCOPY);
}
