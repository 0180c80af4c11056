#include "graph/tray_icon_image.h"

#include <algorithm>
#include <cstring>

#include "graph/paint_graph.h"

namespace {

constexpr int glyph_height = 5;

// Three columns by five rows, a row per string, '#' covered; '.' is one column.
struct Glyph {
    char c;
    const char* rows[glyph_height];
};

constexpr Glyph glyphs[] = {
    {'0', {"###", "#.#", "#.#", "#.#", "###"}}, {'1', {".#.", "##.", ".#.", ".#.", "###"}},
    {'2', {"###", "..#", "###", "#..", "###"}}, {'3', {"###", "..#", "###", "..#", "###"}},
    {'4', {"#.#", "#.#", "###", "..#", "..#"}}, {'5', {"###", "#..", "###", "..#", "###"}},
    {'6', {"###", "#..", "###", "#.#", "###"}}, {'7', {"###", "..#", "..#", ".#.", ".#."}},
    {'8', {"###", "#.#", "###", "#.#", "###"}}, {'9', {"###", "#.#", "###", "..#", "###"}},
    {'.', {".", ".", ".", ".", "#"}},           {'k', {"#..", "#.#", "##.", "#.#", "#.#"}},
    {'M', {"#.#", "###", "###", "#.#", "#.#"}}, {'G', {"###", "#..", "#.#", "#.#", "###"}},
    {'T', {"###", ".#.", ".#.", ".#.", ".#."}}, {'P', {"###", "#.#", "###", "#..", "#.."}},
    {'E', {"###", "#..", "###", "#..", "###"}},
};

const Glyph* find_glyph(char c) {
    for (const Glyph& glyph : glyphs)
        if (glyph.c == c) return &glyph;
    return nullptr;
}

// Characters outside the font are empty and take no room.
int glyph_width(char c) {
    const Glyph* glyph = find_glyph(c);
    return glyph ? static_cast<int>(std::strlen(glyph->rows[0])) : 0;
}

bool glyph_pixel(char c, int x, int y) {
    const Glyph* glyph = find_glyph(c);
    if (!glyph || y < 0 || y >= glyph_height || x < 0 || x >= glyph_width(c)) return false;
    return glyph->rows[y][x] == '#';
}

std::uint32_t icon_pixel(Colour colour) {
    return 0xFF000000u | dib_pixel(colour);
}

void fill_rect(std::uint32_t* pixels, int size, int left, int top, int width, int height,
               std::uint32_t pixel) {
    for (int y = std::max(top, 0); y < std::min(top + height, size); ++y)
        for (int x = std::max(left, 0); x < std::min(left + width, size); ++x)
            pixels[static_cast<std::size_t>(y) * size + x] = pixel;
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
// taskbar of the background's colour; inside, one sample per column.
void paint_graph_icon(const TrafficGraph& graph, int size, std::uint32_t* pixels) {
    const ColorSet& colors = graph.colors;
    fill_rect(pixels, size, 0, 0, size, size, icon_pixel(colors.text_labels));
    const int inner = size - 2;
    fill_rect(pixels, size, 1, 1, inner, inner, icon_pixel(colors.background));
    if (graph.resizing || !graph.download_history || !graph.upload_history || graph.capacity <= 0) return;
    const std::int64_t scale = tray_graph_scale(graph, inner);
    const int shown = std::min({inner, graph.count, graph.capacity});
    const int baseline = size - 2;  // the inner area's bottom row
    for (int i = 0; i < shown; ++i) {
        const std::int32_t j = (graph.head + graph.capacity - 1 - i) % graph.capacity;
        const std::int64_t d = graph.download_history[j], u = graph.upload_history[j];
        const bool download_larger = d >= u;
        const int small = bar_rows(download_larger ? u : d, inner, scale);
        const int large = bar_rows(download_larger ? d : u, inner, scale);
        const int x = size - 2 - i;
        fill_rect(pixels, size, x, baseline - small + 1, 1, small, icon_pixel(colors.overlapped));
        fill_rect(pixels, size, x, baseline - large + 1, 1, large - small,
                  icon_pixel(download_larger ? colors.download : colors.upload));
    }
}

int text_width(const char* text) {
    int width = 0;
    for (const char* c = text; *c; ++c) width += glyph_width(*c) + (c == text ? 0 : 1);
    return width;
}

// `text` centred across the icon, its top row at `top`, each font pixel
// `scale` x `scale` icon pixels.
void draw_text(std::uint32_t* pixels, int size, int top, const char* text, int scale, std::uint32_t pixel) {
    int left = (size - text_width(text) * scale) / 2;
    for (const char* c = text; *c; ++c) {
        const int width = glyph_width(*c);
        for (int y = 0; y < glyph_height; ++y)
            for (int x = 0; x < width; ++x)
                if (glyph_pixel(*c, x, y))
                    fill_rect(pixels, size, left + x * scale, top + y * scale, scale, scale, pixel);
        left += (width + 1) * scale;
    }
}

// Download above upload, each centred in its half of the icon.
void paint_rates_icon(const TrafficGraph& graph, int size, std::uint32_t* pixels) {
    const ColorSet& colors = graph.colors;
    fill_rect(pixels, size, 0, 0, size, size, icon_pixel(colors.background));
    std::int64_t download = 0, upload = 0;
    if (!graph.resizing && graph.count > 0 && graph.capacity > 0 && graph.download_history &&
        graph.upload_history) {
        const std::int32_t newest = (graph.head + graph.capacity - 1) % graph.capacity;
        download = graph.download_history[newest];
        upload = graph.upload_history[newest];
    }
    char download_text[5], upload_text[5];
    format_short_rate(download_text, download, graph.rate_units);
    format_short_rate(upload_text, upload, graph.rate_units);
    const bool dependent = graph.dependent_text_color;
    const int scale = size / tray_icon_base_size;
    const int half = size / 2;
    const int top = (half - glyph_height * scale) / 2;
    draw_text(pixels, size, top, download_text, scale,
              icon_pixel(dependent ? colors.download : colors.text_labels));
    draw_text(pixels, size, half + top, upload_text, scale,
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

std::int64_t tray_graph_scale(const TrafficGraph& graph, int columns) {
    if (graph.locked_max && graph.scale_max > 0) return graph.scale_max;
    std::int64_t peak = tray_graph_scale_floor;
    if (!graph.download_history || !graph.upload_history || graph.capacity <= 0) return peak;
    const int shown = std::min({columns, graph.count, graph.capacity});
    for (int i = 0; i < shown; ++i) {
        const std::int32_t j = (graph.head + graph.capacity - 1 - i) % graph.capacity;
        peak = std::max({peak, graph.download_history[j], graph.upload_history[j]});
    }
    return peak;
}

bool paint_tray_icon(const TrafficGraph& graph, TrayIconMode mode, int size, std::uint32_t* pixels) {
    if (size < tray_icon_base_size) return false;
    switch (mode) {
        case TrayIconMode::graph:
            paint_graph_icon(graph, size, pixels);
            return true;
        case TrayIconMode::rates:
            paint_rates_icon(graph, size, pixels);
            return true;
        default:
            return false;
    }
}
