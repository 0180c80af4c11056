// The live icon at every size the taskbar uses (16 pixels at 100 %, 20, 24,
// 28 and 32 at 125 to 200 %), measured from its pixels, and in high contrast.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "graph/paint_graph.h"
#include "graph/paint_graph_cases.h"
#include "graph/pixel_font.h"
#include "graph/tray_icon_image.h"
#include "support/graph_fixture.h"

namespace {

using namespace paint_cases;

constexpr ColorSet colors = {1, 2, 3, 4, 5};

std::uint32_t pixel(Colour colour) {
    return 0xFF000000u | dib_pixel(colour);
}

struct Drawn {
    int size;
    std::vector<std::uint32_t> pixels;
    std::uint32_t at(int x, int y) const { return pixels[static_cast<std::size_t>(y) * size + x]; }
};

Drawn draw(const TrafficGraph& graph, TrayIconMode mode, int size) {
    Drawn drawn{size, std::vector<std::uint32_t>(static_cast<std::size_t>(size) * size)};
    EXPECT_TRUE(paint_tray_icon(graph, mode, size, drawn.pixels.data()));
    return drawn;
}

// The rows and columns that pixels of one colour take.
struct Extent {
    int top = -1, bottom = -1, left = -1, right = -1;
    int height() const { return top < 0 ? 0 : bottom - top + 1; }
    int width() const { return left < 0 ? 0 : right - left + 1; }
};

Extent extent(const Drawn& drawn, std::uint32_t colour, int first, int end) {
    Extent e;
    for (int y = first; y < end; ++y)
        for (int x = 0; x < drawn.size; ++x) {
            if (drawn.at(x, y) != colour) continue;
            if (e.top < 0) e.top = y;
            e.bottom = y;
            e.left = e.left < 0 ? x : std::min(e.left, x);
            e.right = std::max(e.right, x);
        }
    return e;
}

class TrayIconSizesTest : public GraphTest {
protected:
    void SetUp() override {
        GraphTest::SetUp();
        apply_color_set(colors, graph);
        size_graph(graph, 80, 40);
    }
};

// Digits at least 5 pixels tall at 16, 6 at 20, 7 at 24, 8 at 28 and 10 at
// 32, and the wider text ("1.2M" over "850") across at least 13/16 of the icon.
TEST_F(TrayIconSizesTest, RatesAreReadableAtEverySize) {
    graph.dependent_text_color = true;
    push_sample(graph, 1258291, 850);  // 1.2 MiB/s, 850 bytes/s
    const struct { int size, digit_height; } sizes[] = {{16, 5}, {20, 6}, {24, 7}, {28, 8}, {32, 10}};
    for (const auto& s : sizes) {
        SCOPED_TRACE(s.size);
        const Drawn icon = draw(graph, TrayIconMode::rates, s.size);
        const int half = s.size / 2;
        const Extent download = extent(icon, pixel(colors.download), 0, half);
        const Extent upload = extent(icon, pixel(colors.upload), half, s.size);
        EXPECT_GE(download.height(), s.digit_height);
        EXPECT_GE(upload.height(), s.digit_height);
        EXPECT_GE(download.width() * 16, 13 * s.size) << "\"1.2M\" spans " << download.width();
        EXPECT_GT(download.width(), upload.width());
        // Each text in its own half, none cut at an edge.
        EXPECT_EQ(extent(icon, pixel(colors.download), half, s.size).height(), 0);
        EXPECT_EQ(extent(icon, pixel(colors.upload), 0, half).height(), 0);
    }
    // At every size up to 64 pixels the widest four characters fit whole.
    for (int size = 16; size <= 64; ++size)
        EXPECT_LE(text_width(rates_text_layout(size), "8888"), size) << size;
}

// The frame in the text colour at the edge, size - 2 columns inside it, the
// newest at the right, a sample at the scale from the bottom of the inner
// area to its top.
TEST_F(TrayIconSizesTest, GraphIconKeepsItsFrameAndColumnsAtEverySize) {
    for (int i = 0; i < 40; ++i) push_sample(graph, i == 39 ? 4096 : 1024, 0);
    for (int size : {16, 20, 24, 28, 32}) {
        SCOPED_TRACE(size);
        const Drawn icon = draw(graph, TrayIconMode::graph, size);
        const std::uint32_t text = pixel(colors.text_labels);
        int frame = 0;
        for (int k = 0; k < size; ++k)
            frame += (icon.at(k, 0) == text) + (icon.at(k, size - 1) == text) + (icon.at(0, k) == text) +
                     (icon.at(size - 1, k) == text);
        EXPECT_EQ(frame, 4 * size);
        const Extent bars = extent(icon, pixel(colors.download), 1, size - 1);
        EXPECT_EQ(bars.left, 1);
        EXPECT_EQ(bars.right, size - 2);
        EXPECT_EQ(bars.top, 1) << "the newest sample is the scale: the whole inner height";
        int newest = 0, older = 0;
        for (int y = 1; y < size - 1; ++y) {
            newest += icon.at(size - 2, y) == pixel(colors.download);
            older += icon.at(size - 3, y) == pixel(colors.download);
        }
        EXPECT_EQ(newest, size - 2);
        EXPECT_EQ(older, (size - 2 + 3) / 4) << "a quarter of the scale, rounded up";
    }
}

// High contrast: its background, the text in its text colour whatever the
// labels' choice, and a series that shares a colour dotted.
TEST_F(TrayIconSizesTest, HighContrastPaintsTheSystemsColours) {
    graph.dependent_text_color = true;
    graph.contrast = choose_palette(true, {0x000000, 0xFFFFFF, 0x00FF00, 0x00FF00}, graph.colors);
    ASSERT_EQ(graph.contrast.upload_fill, Fill::dotted);
    push_sample(graph, 1258291, 850);
    const Drawn rates = draw(graph, TrayIconMode::rates, 16);
    for (std::uint32_t p : rates.pixels) EXPECT_TRUE(p == pixel(0x000000) || p == pixel(0xFFFFFF)) << p;

    for (int i = 0; i < 20; ++i) push_sample(graph, 0, 4096);  // upload only
    const Drawn icon = draw(graph, TrayIconMode::graph, 16);
    EXPECT_EQ(icon.at(0, 0), pixel(0xFFFFFF)) << "the frame in the text colour";
    std::string column;
    for (int y = 1; y < 15; ++y) column += icon.at(14, y) == pixel(0x00FF00) ? '#' : '.';
    EXPECT_EQ(column, ".#.#.#.#.#.#.#") << "dotted: every other pixel, (x + y) even";
    graph.contrast = Palette{};
    EXPECT_EQ(draw(graph, TrayIconMode::graph, 16).at(14, 7), pixel(colors.upload)) << "off: the user's";
}

}  // namespace
