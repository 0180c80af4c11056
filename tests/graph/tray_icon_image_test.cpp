#include "graph/tray_icon_image.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "graph/paint_graph.h"
#include "graph/paint_graph_cases.h"
#include "support/graph_fixture.h"

namespace {

using namespace paint_cases;

constexpr ColorSet colours{0x000001, 0x000002, 0x000003, 0x000004, 0x000005};

// One letter per pixel: b background, d download, u upload, o overlapped,
// t text labels, ? anything else (or not opaque).
std::vector<std::string> letters(const TrafficGraph& graph, TrayIconMode mode, int size) {
    std::vector<std::uint32_t> pixels(static_cast<std::size_t>(size) * size, 0);
    EXPECT_TRUE(paint_tray_icon(graph, mode, size, pixels.data()));
    std::vector<std::string> rows(size, std::string(size, '?'));
    const std::pair<char, Colour> named[] = {{'b', colours.background},
                                             {'d', colours.download},
                                             {'u', colours.upload},
                                             {'o', colours.overlapped},
                                             {'t', colours.text_labels}};
    for (int y = 0; y < size; ++y)
        for (int x = 0; x < size; ++x)
            for (const auto& [letter, colour] : named)
                if (pixels[y * size + x] == (0xFF000000u | dib_pixel(colour))) rows[y][x] = letter;
    return rows;
}

class TrayIconImageTest : public GraphTest {
protected:
    void SetUp() override {
        GraphTest::SetUp();
        apply_color_set(colours, graph);
        size_graph(graph, 40, 40);
    }
};

// Newest sample in the rightmost inner column, one column per sample, the
// overlapped part below the larger one's colour, inside a frame in the text
// colour; the scale is the larger peak of the shown columns.
TEST_F(TrayIconImageTest, GraphShowsTheNewestSamplesAtTheRight) {
    push_sample(graph, 1000000, 1000000);  // 14 samples old: no column of its own
    for (int i = 0; i < 11; ++i) push_sample(graph, 0, 0);
    push_sample(graph, 2048, 1024);  // overlapped 7 rows, download 14
    push_sample(graph, 512, 2048);   // overlapped ceil(3.5) = 4 rows, upload 14
    push_sample(graph, 100, 50);     // both below a row: one overlapped row
    const std::vector<std::string> expected = {
        "tttttttttttttttt",  //
        "tbbbbbbbbbbbdubt",  //
        "tbbbbbbbbbbbdubt",  //
        "tbbbbbbbbbbbdubt",  //
        "tbbbbbbbbbbbdubt",  //
        "tbbbbbbbbbbbdubt",  //
        "tbbbbbbbbbbbdubt",  //
        "tbbbbbbbbbbbdubt",  //
        "tbbbbbbbbbbboubt",  //
        "tbbbbbbbbbbboubt",  //
        "tbbbbbbbbbbboubt",  //
        "tbbbbbbbbbbboobt",  //
        "tbbbbbbbbbbboobt",  //
        "tbbbbbbbbbbboobt",  //
        "tbbbbbbbbbbbooot",  //
        "tttttttttttttttt",  //
    };
    EXPECT_EQ(letters(graph, TrayIconMode::graph, 16), expected);
}

// A quiet link stays low: the scale never drops below 1024 bytes/s. A locked
// maximum is the scale, and a sample beyond it stops at the frame.
TEST_F(TrayIconImageTest, GraphScaleHasAFloorAndFollowsALockedMaximum) {
    push_sample(graph, 100, 0);  // ceil(100 * 14 / 1024) = 2 rows
    EXPECT_EQ(tray_graph_scale(graph, 14), tray_graph_scale_floor);
    std::vector<std::string> icon = letters(graph, TrayIconMode::graph, 16);
    EXPECT_EQ(icon[14].substr(13), "bdt");
    EXPECT_EQ(icon[13].substr(13), "bdt");
    EXPECT_EQ(icon[12].substr(13), "bbt");

    set_scale(graph, 1400, 100, 0, true);
    push_sample(graph, 700, 2800);  // overlapped 7 rows; upload would be 28
    icon = letters(graph, TrayIconMode::graph, 16);
    for (int y = 1; y <= 14; ++y) EXPECT_EQ(icon[y][14], y >= 8 ? 'o' : 'u') << y;
    EXPECT_EQ(icon[0][14], 't');
    EXPECT_EQ(icon[14][13], 'd') << "100 of 1400 still shows";
}

// The rates in the pixel font, download above upload, each centred in its
// half, in the download and upload colours when the labels use them.
TEST_F(TrayIconImageTest, RatesShowFourCharactersInThePixelFont) {
    graph.dependent_text_color = true;
    push_sample(graph, 1000, 12288);
    const std::vector<std::string> expected = {
        "bbbbbbbbbbbbbbbb",  //
        "bbdbbbbdddbdbbbb",  // 1.0k
        "bddbbbbdbdbdbdbb",  //
        "bbdbbbbdbdbddbbb",  //
        "bbdbbbbdbdbdbdbb",  //
        "bdddbdbdddbdbdbb",  //
        "bbbbbbbbbbbbbbbb",  //
        "bbbbbbbbbbbbbbbb",  //
        "bbbbbbbbbbbbbbbb",  //
        "bbbubbuuububbbbb",  // 12k
        "bbuubbbbubububbb",  //
        "bbbubbuuubuubbbb",  //
        "bbbubbubbbububbb",  //
        "bbuuubuuubububbb",  //
        "bbbbbbbbbbbbbbbb",  //
        "bbbbbbbbbbbbbbbb",  //
    };
    EXPECT_EQ(letters(graph, TrayIconMode::rates, 16), expected);

    // In bits, and in the text colour: 8000 and 98304 bits.
    graph.dependent_text_color = false;
    graph.rate_units = RateUnits::bits;
    const std::vector<std::string> icon = letters(graph, TrayIconMode::rates, 16);
    EXPECT_EQ(icon[1], "btttbbbtttbtbbbb");  // 8.0k
    EXPECT_EQ(icon[9], "bbtttbtttbtbbbbb");  // 98k
}

// Every size the taskbar uses is covered edge to edge, opaque; the program's
// icon and sizes below 16 draw nothing.
TEST_F(TrayIconImageTest, EverySizeIsFilledAndTheFontScales) {
    for (int i = 0; i < 40; ++i) push_sample(graph, INT64_MAX - i, i * 1000);
    for (TrayIconMode mode : {TrayIconMode::graph, TrayIconMode::rates})
        for (int size : {16, 20, 24, 32, 48}) {
            for (const std::string& row : letters(graph, mode, size))
                EXPECT_EQ(row.find('?'), std::string::npos) << size;
        }
    push_sample(graph, 1000, 0);
    const std::vector<std::string> large = letters(graph, TrayIconMode::rates, 32);
    // "1.0k" is 13 columns of 2 pixels: from column 3; rows 3 to 12.
    EXPECT_EQ(large[3].substr(0, 10), "bbbbbttbbb");
    EXPECT_EQ(large[4].substr(0, 10), "bbbbbttbbb");
    EXPECT_EQ(large[12].substr(0, 10), "bbbttttttb");
    std::uint32_t pixel = 7;
    EXPECT_FALSE(paint_tray_icon(graph, TrayIconMode::icon, 16, &pixel));
    EXPECT_FALSE(paint_tray_icon(graph, TrayIconMode::graph, 15, &pixel));
    EXPECT_EQ(pixel, 7u);
    EXPECT_EQ(tray_icon_mode_from_text("graph"), TrayIconMode::graph);
    EXPECT_EQ(tray_icon_mode_from_text("rates"), TrayIconMode::rates);
    for (const char* other : {"icon", "Graph", "", "rate"})
        EXPECT_EQ(tray_icon_mode_from_text(other), TrayIconMode::icon);
}

}  // namespace
