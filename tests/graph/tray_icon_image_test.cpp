#include "graph/tray_icon_image.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "graph/paint_graph.h"
#include "graph/paint_graph_cases.h"
#include "support/graph_fixture.h"

namespace {

using namespace paint_cases;

// One letter per pixel: b background, d download, u upload, o overlapped,
// t text labels, ? anything else or not opaque.
struct Icon {
    std::vector<std::string> rows;
    std::string column(int x) const {
        std::string pixels;
        for (const std::string& row : rows) pixels += row[x];
        return pixels;
    }
};

Icon draw(const TrafficGraph& graph, TrayIconMode mode, int size = 16) {
    std::vector<std::uint32_t> pixels(static_cast<std::size_t>(size) * size);
    EXPECT_TRUE(paint_tray_icon(graph, mode, size, pixels.data()));
    Icon icon{std::vector<std::string>(size, std::string(size, '?'))};
    const ColorSet& c = graph.colors;
    const std::pair<char, Colour> named[] = {
        {'b', c.background}, {'d', c.download}, {'u', c.upload}, {'o', c.overlapped}, {'t', c.text_labels}};
    for (int i = 0; i < size * size; ++i)
        for (const auto& [letter, colour] : named)
            if (pixels[i] == (0xFF000000u | dib_pixel(colour))) icon.rows[i / size][i % size] = letter;
    return icon;
}

class TrayIconImageTest : public GraphTest {
protected:
    void SetUp() override {
        GraphTest::SetUp();
        apply_color_set({1, 2, 3, 4, 5}, graph);
        size_graph(graph, 40, 40);
    }
};

// Inside a frame in the text colour, the newest sample in the rightmost
// column, the overlapped part below the larger sample's colour, scaled to the
// larger peak of the 14 columns shown.
TEST_F(TrayIconImageTest, GraphShowsTheNewestSamplesAtTheRight) {
    push_sample(graph, 1000000, 1000000);  // 14 samples old: neither shown nor scaled to
    for (int i = 0; i < 11; ++i) push_sample(graph, 0, 0);
    push_sample(graph, 2048, 1024);  // 7 overlapped rows, 7 download
    push_sample(graph, 512, 2048);   // ceil(3.5) = 4 overlapped, 10 upload
    push_sample(graph, 100, 50);     // less than a row each: one overlapped row
    const Icon icon = draw(graph, TrayIconMode::graph);
    EXPECT_EQ(icon.rows[0] + icon.rows[15] + icon.column(0) + icon.column(15), std::string(64, 't'));
    EXPECT_EQ(icon.column(11), "tbbbbbbbbbbbbbbt");
    EXPECT_EQ(icon.column(12), "tdddddddooooooot");
    EXPECT_EQ(icon.column(13), "tuuuuuuuuuuoooot");
    EXPECT_EQ(icon.column(14), "tbbbbbbbbbbbbbot");
}

// A quiet link stays low: the scale is never below 1024 bytes/s. A locked
// maximum is the scale, and a sample beyond it stops at the frame.
TEST_F(TrayIconImageTest, GraphScaleHasAFloorAndFollowsALockedMaximum) {
    push_sample(graph, 100, 0);  // ceil(100 * 14 / 1024) = 2 rows
    EXPECT_EQ(draw(graph, TrayIconMode::graph).column(14), "tbbbbbbbbbbbbddt");
    set_scale(graph, 1400, 100, 0, true);
    push_sample(graph, 700, 2800);
    const Icon icon = draw(graph, TrayIconMode::graph);
    EXPECT_EQ(icon.column(13), "tbbbbbbbbbbbbbdt");
    EXPECT_EQ(icon.column(14), "tuuuuuuuooooooot");
}

// Download above upload in the pixel font, each centred in its half, in the
// download and upload colours where the labels use them; in bits on request;
// the font doubled at 32 pixels. Every size is covered, opaque.
TEST_F(TrayIconImageTest, RatesShowFourCharactersInThePixelFont) {
    graph.dependent_text_color = true;
    push_sample(graph, 1000, 12288);
    Icon icon = draw(graph, TrayIconMode::rates);
    EXPECT_EQ(icon.rows, (std::vector<std::string>{"bbbbbbbbbbbbbbbb", "bbdbbbbdddbdbbbb", "bddbbbbdbdbdbdbb",
                                                   "bbdbbbbdbdbddbbb", "bbdbbbbdbdbdbdbb", "bdddbdbdddbdbdbb",
                                                   "bbbbbbbbbbbbbbbb", "bbbbbbbbbbbbbbbb", "bbbbbbbbbbbbbbbb",
                                                   "bbbubbuuububbbbb", "bbuubbbbubububbb", "bbbubbuuubuubbbb",
                                                   "bbbubbubbbububbb", "bbuuubuuubububbb", "bbbbbbbbbbbbbbbb",
                                                   "bbbbbbbbbbbbbbbb"}));  // "1.0k" over "12k"
    graph.dependent_text_color = false;
    graph.rate_units = RateUnits::bits;
    icon = draw(graph, TrayIconMode::rates);
    EXPECT_EQ(icon.rows[1] + icon.rows[9], "btttbbbtttbtbbbbbbtttbtttbtbbbbb");  // "8.0k" over "98k"
    EXPECT_EQ(draw(graph, TrayIconMode::rates, 32).rows[3].substr(0, 10), "bbbttttttb");

    for (int i = 0; i < 40; ++i) push_sample(graph, INT64_MAX - i, i * 1000);
    for (TrayIconMode mode : {TrayIconMode::graph, TrayIconMode::rates})
        for (int size : {16, 20, 24, 32, 48})
            for (const std::string& row : draw(graph, mode, size).rows) EXPECT_EQ(row.find('?'), row.npos);
    std::uint32_t untouched = 7;
    EXPECT_FALSE(paint_tray_icon(graph, TrayIconMode::icon, 16, &untouched));
    EXPECT_EQ(untouched, 7u);
}

}  // namespace
