// The graph in high contrast: the system's colours, every text in the text
// colour on the window's colour, a pattern where two series share a colour,
// the record's own colours untouched.
#include <gtest/gtest.h>

#include <vector>

#include "graph/paint_graph.h"
#include "graph/paint_graph_cases.h"
#include "support/graph_fixture.h"

namespace {

using namespace paint_cases;

using PaintGraphContrastTest = GraphTest;

TEST_F(PaintGraphContrastTest, SystemsColoursAndPatternsAreWhatIsPainted) {
    apply_color_set({1, 2, 3, 4, 5}, graph);
    graph.dependent_text_color = true;
    labelled_200x80(graph, 500, 200);
    // Download and upload share the highlight: upload is dotted.
    graph.contrast = choose_palette(true, {0x000000, 0xFFFFFF, 0x00FF00, 0x00FF00}, graph.colors);
    const GraphGeometry g = graph_geometry(graph);
    EXPECT_EQ(g.background, 0x000000u);
    EXPECT_EQ(g.max_line.colour, 0x00FF00u) << "the download peak's line";
    for (const LabelPlacement& label : g.labels) {
        EXPECT_EQ(label.text_colour, 0xFFFFFFu) << "every text in COLOR_WINDOWTEXT";
        EXPECT_EQ(label.cell_colour, 0x000000u) << "on COLOR_WINDOW";
    }
    for (int i = 0; i < 199; ++i) push_sample(graph, i % 2 ? 1000 : 100, i % 2 ? 100 : 1000);
    EXPECT_EQ(graph_bar(graph, g, 0).large.fill, Fill::dotted) << "upload";
    EXPECT_EQ(graph_bar(graph, g, 1).large.fill, Fill::solid) << "download";
    std::vector<std::uint32_t> pixels(200 * 80);
    paint_bars(graph, g, pixels.data());
    const std::vector<Colour> expected = raster(graph, g);
    int mismatches = 0, uncovered = 0;
    for (int y = 0; y < 80; ++y)
        for (int x = 0; x < 200; ++x) {
            if (y == g.metrics.max_line_row) continue;  // the line is GDI's
            mismatches += pixels[y * 200 + x] != dib_pixel(expected[y * 200 + x]);
            uncovered += y > 20 && y < 40 && expected[y * 200 + x] == 0;
        }
    EXPECT_EQ(mismatches, 0);
    EXPECT_GT(uncovered, 800) << "half of each upload bar is the background";
    // The user's colours stay in the record and are painted once it ends.
    EXPECT_TRUE(graph.colors == (ColorSet{1, 2, 3, 4, 5}));
    graph.contrast = Palette{};
    EXPECT_EQ(graph_geometry(graph).labels[1].text_colour, 2u);
}

}  // namespace
