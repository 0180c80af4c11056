#include "graph/paint_graph_win.h"

#include <algorithm>
#include <cstdio>
#include <vector>

#include "graph/contrast_gdi.h"
#include "graph/paint_graph.h"

namespace {

// The record's pen of the line's colour; the pens are made from these
// colours. In high contrast, the pen of its colour.
HPEN max_line_pen(const TrafficGraph& graph, Colour colour) {
    if (graph.contrast.high_contrast) {
        HPEN pen = contrast_pen(colour);
        if (pen) return pen;
    }
    if (colour == graph.colors.download) return graph.download_pen;
    if (colour == graph.colors.upload) return graph.upload_pen;
    return graph.text_pen;
}

// Under Wine a DIB section costs little to make when small, but a fresh
// zero-filled mapping when large, where a bitmap compatible with the window
// is cheaper; that one takes its pixels a band of columns at a time.
constexpr long long large_image_pixels = 1024 * 1024;

bool make_dib_image(GraphImage& image, const TrafficGraph& graph, const GraphGeometry& geometry) {
    BITMAPINFO info = top_down_image_info(geometry.width, geometry.height);
    void* bits = nullptr;
    image.bitmap = ObjectGuard(CreateDIBSection(image.dc.get(), &info, DIB_RGB_COLORS, &bits, nullptr, 0));
    if (!image.bitmap.get() || !bits) return false;
    image.bitmap_selection = select_into(image.dc.get(), image.bitmap.get());
    image.bits = static_cast<std::uint32_t*>(bits);
    GdiFlush();
    paint_bars(graph, geometry, image.bits);
    return true;
}

bool make_compatible_image(GraphImage& image, const TrafficGraph& graph, const GraphGeometry& geometry,
                           HDC reference) {
    image.bitmap = ObjectGuard(CreateCompatibleBitmap(reference, geometry.width, geometry.height));
    if (!image.bitmap.get()) return false;
    image.bitmap_selection = select_into(image.dc.get(), image.bitmap.get());
    // Scratch pixels kept between paints (nothing in them carries over): a
    // fresh megabyte each time costs a quarter of a millisecond under Wine.
    static std::vector<std::uint32_t> band;
    band.resize(static_cast<std::size_t>(bar_band_columns) * geometry.height);
    BITMAPINFO info = top_down_image_info(bar_band_columns, geometry.height);
    for (int left = 0; left < geometry.width; left += bar_band_columns) {
        const int columns = std::min(bar_band_columns, geometry.width - left);
        paint_bar_band(graph, geometry, left, band.data(), columns);
        info.bmiHeader.biWidth = columns;
        SetDIBitsToDevice(image.dc.get(), left, 0, columns, geometry.height, 0, 0, 0, geometry.height,
                          band.data(), &info, DIB_RGB_COLORS);
    }
    return true;
}

// Where the labels' own face has no raster size of the scaled height (it is
// a bitmap font), a scalable face of that height keeps the labels crisp.
constexpr char scalable_label_face[] = "Tahoma";

struct FaceSearch {
    int height;
    bool found;
};

int CALLBACK match_face_height(const LOGFONTA*, const TEXTMETRICA* metrics, DWORD type, LPARAM data) {
    auto* search = reinterpret_cast<FaceSearch*>(data);
    if (!(type & RASTER_FONTTYPE) || metrics->tmHeight == search->height) {
        search->found = true;
        return 0;
    }
    return 1;
}

bool face_has_height(const char* face, int height) {
    LOGFONTA wanted{};
    wanted.lfCharSet = DEFAULT_CHARSET;
    std::snprintf(wanted.lfFaceName, sizeof wanted.lfFaceName, "%s", face);
    FaceSearch search{height, false};
    HDC screen = GetDC(nullptr);
    EnumFontFamiliesExA(screen, &wanted, match_face_height, reinterpret_cast<LPARAM>(&search), 0);
    ReleaseDC(nullptr, screen);
    return search.found;
}

}  // namespace

void set_graph_dpi(TrafficGraph& graph, int dpi) {
    if (dpi <= 0) dpi = base_dpi;
    if (dpi == graph.dpi && graph.font) return;
    graph.dpi = dpi;
    const int height = scale_to_dpi(label_font_height, dpi);
    // At 96 DPI the labels stay exactly as they always were.
    const bool own_face = dpi == base_dpi || face_has_height(label_font_face, height);
    set_label_font(graph, own_face ? label_font_face : scalable_label_face, height);
}

GraphImage render_graph_image(const TrafficGraph& graph, HDC reference) {
    GraphImage image;
    const GraphGeometry geometry = graph_geometry(graph);
    if (!geometry.drawn) return image;

    image.dc = DcGuard(CreateCompatibleDC(reference));
    if (!image.dc.get()) return image;
    const bool large = static_cast<long long>(geometry.width) * geometry.height >= large_image_pixels;
    const bool made = large ? make_compatible_image(image, graph, geometry, reference)
                            : make_dib_image(image, graph, geometry);
    if (!made) {
        image.bitmap_selection.release();
        image.bitmap.release();
        image.dc.release();
        return image;
    }
    image.width = geometry.width;
    image.height = geometry.height;

    HDC dc = image.dc.get();
    SelectionGuard pen;
    if (!run_is_empty(geometry.max_line)) {
        pen = select_into(dc, max_line_pen(graph, geometry.max_line.colour));
        MoveToEx(dc, geometry.max_line.first, geometry.metrics.max_line_row, nullptr);
        LineTo(dc, geometry.max_line.end, geometry.metrics.max_line_row);
    }

    SelectionGuard font = select_into(dc, graph.font);
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
    if (image.dc.get()) BitBlt(target, 0, 0, image.width, image.height, image.dc.get(), 0, 0, SRCCOPY);
}
