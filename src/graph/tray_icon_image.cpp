#include "graph/tray_icon_image.h"

#include <algorithm>
#include <cstring>

#include "graph/contrast_colors.h"
#include "graph/paint_graph.h"
#include "graph/pixel_font.h"

namespace {

std::uint32_t icon_pixel(Colour colour) {
    return 0xFF000000u | dib_pixel(colour);
}

void fill_rect(std::uint32_t* pixels, int size, int left, int top, int width, int height,
               std::uint32_t pixel) {
    for (int y = std::max(top, 0); y < std::min(top + height, size); ++y)
        for (int x = std::max(left, 0); x < std::min(left + width, size); ++x)
            pixels[static_cast<std::size_t>(y) * size + x] = pixel;
}

// A column's run of rows first..first+rows-1 in `fill`: solid, or its pattern
// over the background already there.
void fill_column(std::uint32_t* pixels, int size, int x, int first, int rows, Fill fill,
                 std::uint32_t pixel) {
    if (fill == Fill::solid) {
        fill_rect(pixels, size, x, first, 1, rows, pixel);
        return;
    }
    for (int y = std::max(first, 0); y < std::min(first + rows, size); ++y)
        if (fill_covers(fill, x, y)) pixels[static_cast<std::size_t>(y) * size + x] = pixel;
}

// A bar of `sample` on the inner area's `span` rows: ceil(sample * span / scale),
// within the area; in 128 bits, so no rate overflows it.
int bar_rows(std::int64_t sample, int span, std::int64_t scale) {
    if (sample <= 0) return 0;
    const unsigned __int128 product = static_cast<unsigned __int128>(sample) * span;
    const unsigned __int128 rows = (product + static_cast<unsigned __int128>(scale) - 1) / scale;
    return rows > static_cast<unsigned __int128>(span) ? span : static_cast<int>(rows);
}

// One pixel frame in the text colour, so that the icon keeps its edge on a
// taskbar of the background's colour; inside, one column each.
void paint_graph_icon(const TrafficGraph& graph, const TrayIconFigures& figures, int size,
                      std::uint32_t* pixels) {
    const Palette palette = shown_palette(graph.colors, graph.contrast);
    const ColorSet& colors = palette.colors;
    fill_rect(pixels, size, 0, 0, size, size, icon_pixel(colors.text_labels));
    const int inner = size - 2;
    fill_rect(pixels, size, 1, 1, inner, inner, icon_pixel(colors.background));
    const std::int64_t scale = tray_graph_scale(graph, figures, inner);
    const int shown = std::min(inner, figures.count);
    const int baseline = size - 2;  // the inner area's bottom row
    for (int i = 0; i < shown; ++i) {
        const std::int64_t d = figures.columns[i].download, u = figures.columns[i].upload;
        const bool download_larger = d >= u;
        const int small = bar_rows(download_larger ? u : d, inner, scale);
        const int large = bar_rows(download_larger ? d : u, inner, scale);
        const int x = size - 2 - i;
        fill_column(pixels, size, x, baseline - small + 1, small, palette.overlapped_fill,
                    icon_pixel(colors.overlapped));
        fill_column(pixels, size, x, baseline - large + 1, large - small,
                    download_larger ? palette.download_fill : palette.upload_fill,
                    icon_pixel(download_larger ? colors.download : colors.upload));
    }
}

// Download above upload, each centred in its half of the icon. In high
// contrast both are in the text colour.
void paint_rates_icon(const TrafficGraph& graph, const TrayIconFigures& figures, int size,
                      std::uint32_t* pixels) {
    const Palette palette = shown_palette(graph.colors, graph.contrast);
    const ColorSet& colors = palette.colors;
    fill_rect(pixels, size, 0, 0, size, size, icon_pixel(colors.background));
    char download_text[5], upload_text[5];
    format_short_rate(download_text, figures.rates.download, graph.rate_units);
    format_short_rate(upload_text, figures.rates.upload, graph.rate_units);
    const bool dependent = graph.dependent_text_color && !palette.high_contrast;
    const TextLayout layout = rates_text_layout(size);
    const int half = size / 2;
    const int top = (half - layout.font->height * layout.scale) / 2;
    draw_text(pixels, size, top, download_text, layout,
              icon_pixel(dependent ? colors.download : colors.text_labels));
    draw_text(pixels, size, half + top, upload_text, layout,
              icon_pixel(dependent ? colors.upload : colors.text_labels));
}

}  // namespace

TrayIconMode tray_icon_mode_from_text(const char* text) {
    if (text && std::strcmp(text, "graph") == 0) return TrayIconMode::graph;
    if (text && std::strcmp(text, "rates") == 0) return TrayIconMode::rates;
    return TrayIconMode::icon;
}

const char* tray_icon_mode_text(TrayIconMode mode) {
    switch (mode) {
        case TrayIconMode::graph:
            return "graph";
        case TrayIconMode::rates:
            return "rates";
        default:
            return "icon";
    }
}

TrayIconFigures tray_figures(const TraySamples& samples, std::int32_t delay_ms) {
    TrayIconFigures figures{};
    figures.count = samples.column_count;
    for (int i = 0; i < figures.count; ++i) figures.columns[i] = tray_column(samples, i);
    figures.rates = tray_rates(samples, delay_ms);
    return figures;
}

TrayIconFigures graph_figures(const TrafficGraph& graph) {
    TrayIconFigures figures{};
    if (graph.resizing || !graph.download_history || !graph.upload_history || graph.capacity <= 0)
        return figures;
    figures.count = std::min({graph.count, graph.capacity, tray_columns_max});
    for (int i = 0; i < figures.count; ++i) {
        const std::int32_t j = (graph.head + graph.capacity - 1 - i) % graph.capacity;
        figures.columns[i] = {graph.download_history[j], graph.upload_history[j]};
    }
    if (figures.count > 0) figures.rates = figures.columns[0];
    return figures;
}

std::int64_t tray_graph_scale(const TrafficGraph& graph, const TrayIconFigures& figures, int columns) {
    if (graph.locked_max && graph.scale_max > 0) return graph.scale_max;
    std::int64_t peak = tray_graph_scale_floor;
    const int shown = std::min(columns, figures.count);
    for (int i = 0; i < shown; ++i)
        peak = std::max({peak, figures.columns[i].download, figures.columns[i].upload});
    return peak;
}

bool paint_tray_icon(const TrafficGraph& graph, const TrayIconFigures& figures, TrayIconMode mode, int size,
                     std::uint32_t* pixels) {
    if (size < tray_icon_base_size) return false;
    switch (mode) {
        case TrayIconMode::graph:
            paint_graph_icon(graph, figures, size, pixels);
            return true;
        case TrayIconMode::rates:
            paint_rates_icon(graph, figures, size, pixels);
            return true;
        default:
            return false;
    }
}

bool paint_tray_icon(const TrafficGraph& graph, TrayIconMode mode, int size, std::uint32_t* pixels) {
    return paint_tray_icon(graph, graph_figures(graph), mode, size, pixels);
}
