// The graph in high contrast: the system's colours, every text in the text
// colour on the window's colour, patterns where two series share a colour;
// the record's own colours untouched.
#include <gtest/gtest.h>

#include <vector>

#include "graph/paint_graph.h"
#include "graph/paint_graph_cases.h"
#include "support/graph_fixture.h"

namespace {

using namespace paint_cases;

constexpr SystemColours black = {0x000000, 0xFFFFFF, 0xFFEB1A, 0x00FFFF};
constexpr SystemColours alike = {0x000000, 0xFFFFFF, 0x00FF00, 0x00FF00};

class PaintGraphContrastTest : public GraphTest {
protected:
    void SetUp() override {
        GraphTest::SetUp();
        apply_color_set({1, 2, 3, 4, 5}, graph);
        graph.dependent_text_color = true;
    }
};

TEST_F(PaintGraphContrastTest, GeometryTakesTheSystemsColours) {
    labelled_200x80(graph, 500, 200);
    graph.contrast = choose_palette(true, black, graph.colors);
    const GraphGeometry g = graph_geometry(graph);
    EXPECT_EQ(g.background, 0x000000u);
    EXPECT_EQ(g.max_line.colour, 0xFFEB1Au) << "the download peak's line, in high contrast's download colour";
    for (const LabelPlacement& label : g.labels) {
        EXPECT_EQ(label.text_colour, 0xFFFFFFu) << "every text in COLOR_WINDOWTEXT";
        EXPECT_EQ(label.cell_colour, 0x000000u) << "on COLOR_WINDOW";
    }
    const BarColumn bar = graph_bar(graph, g, 0);
    EXPECT_EQ(bar.overlapped.colour, 0xFFFFFFu);
    EXPECT_EQ(bar.large.colour, 0xFFEB1Au);
    EXPECT_EQ(bar.large.fill, Fill::solid);
    // The user's colours stay in the record, and come back when it ends.
    EXPECT_TRUE(graph.colors == (ColorSet{1, 2, 3, 4, 5}));
    graph.contrast = Palette{};
    const GraphGeometry off = graph_geometry(graph);
    EXPECT_EQ(off.background, 1u);
    EXPECT_EQ(off.labels[1].text_colour, 2u);
}

// The painted pixels follow the geometry's patterns, and a solid palette
// paints as before.
TEST_F(PaintGraphContrastTest, BarsOfASharedColourArePatterned) {
    size_graph(graph, 40, 60);
    for (int i = 0; i < 40; ++i) push_sample(graph, i % 2 ? 1000 : 100, i % 2 ? 100 : 1000);
    set_scale(graph, 1000, 1000, 1000, false);
    graph.contrast = choose_palette(true, alike, graph.colors);
    ASSERT_EQ(graph.contrast.upload_fill, Fill::dotted);
    const GraphGeometry g = graph_geometry(graph);
    std::vector<std::uint32_t> pixels(40 * 60);
    paint_bars(graph, g, pixels.data());
    const std::vector<Colour> expected = raster(graph, g);
    int dotted_background = 0;
    for (int y = 0; y < 60; ++y)
        for (int x = 0; x < 40; ++x) {
            if (y == g.metrics.max_line_row) continue;  // the line is GDI's
            const Colour want = expected[y * 40 + x];
            EXPECT_EQ(pixels[y * 40 + x], dib_pixel(want)) << x << "," << y;
            if (want == 0 && y > 20 && y < 40) ++dotted_background;
        }
    EXPECT_GT(dotted_background, 100) << "half of each upload bar is background";
    // Upload bars (even columns from the right) alternate; download bars are solid.
    const BarColumn upload = graph_bar(graph, g, 1), download = graph_bar(graph, g, 0);
    EXPECT_EQ(upload.large.fill, Fill::dotted);
    EXPECT_EQ(download.large.fill, Fill::solid);
}

}  // namespace
