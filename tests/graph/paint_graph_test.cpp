#include "graph/paint_graph.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <string>

#include "graph/paint_graph_cases.h"
#include "support/graph_fixture.h"

namespace {

using namespace paint_cases;

constexpr ColorSet classic = {0x000000, 0x00FF00, 0xFF0000, 0xFFFF00, 0xFFFFFF};

class PaintGraphTest : public GraphTest {
protected:
    void setup(const char* name) {
        setup_case(graph, name);
        geometry = graph_geometry(graph);
        image = raster(graph, geometry);
    }
    Colour pixel(int x, int y) const { return image[static_cast<std::size_t>(y) * geometry.width + x]; }
    // The colour of every row of one column, top to bottom, as one letter each:
    // b background, d download, u upload, o overlapped, t text labels.
    std::string column(int x) const {
        std::string letters;
        for (int y = 0; y < geometry.height; ++y) {
            const Colour c = pixel(x, y);
            letters += c == graph.colors.background    ? 'b'
                       : c == graph.colors.download    ? 'd'
                       : c == graph.colors.upload      ? 'u'
                       : c == graph.colors.overlapped  ? 'o'
                       : c == graph.colors.text_labels ? 't'
                                                       : '?';
        }
        return letters;
    }
    static std::string rows(char letter, int n) { return std::string(static_cast<std::size_t>(n), letter); }

    GraphGeometry geometry{};
    std::vector<Colour> image;
};

TEST_F(PaintGraphTest, NothingIsDrawnWhileResizingOrWithoutHistories) {
    EXPECT_FALSE(graph_geometry(graph).drawn);  // before the first resize

    size_graph(graph, 200, 80);
    EXPECT_TRUE(graph_geometry(graph).drawn);
    graph.resizing = true;
    EXPECT_FALSE(graph_geometry(graph).drawn);
    graph.resizing = false;

    std::int64_t* upload = graph.upload_history;
    graph.upload_history = nullptr;
    EXPECT_FALSE(graph_geometry(graph).drawn);
    graph.upload_history = upload;
    std::int64_t* download = graph.download_history;
    graph.download_history = nullptr;
    EXPECT_FALSE(graph_geometry(graph).drawn);
    graph.download_history = download;
}

TEST_F(PaintGraphTest, DownloadAboveUploadMatchesTheWorkedExample) {
    setup("download_above_upload");
    EXPECT_DOUBLE_EQ(geometry.scale, 0.053);
    ASSERT_EQ(geometry.bar_count, 1);
    const BarColumn bar = graph_bar(graph, geometry, 0);
    EXPECT_EQ(bar.x, 199);
    EXPECT_EQ(bar.overlapped.first, 54);
    EXPECT_EQ(bar.overlapped.end, 65);
    EXPECT_EQ(bar.overlapped.colour, classic.overlapped);
    EXPECT_EQ(bar.large.first, 38);
    EXPECT_EQ(bar.large.end, 54);
    EXPECT_EQ(bar.large.colour, classic.download);
    EXPECT_EQ(column(199),
              rows('b', 12) + 'd' + rows('b', 25) + rows('d', 16) + rows('o', 11) + rows('b', 15));
    EXPECT_EQ(column(198), rows('b', 12) + 'd' + rows('b', 67));
}

TEST_F(PaintGraphTest, UploadAboveDownloadTakesTheUploadColour) {
    setup("upload_above_download");
    const BarColumn bar = graph_bar(graph, geometry, 0);
    EXPECT_EQ(bar.large.colour, classic.upload);
    EXPECT_EQ(bar.large.end - bar.large.first, 16);
    EXPECT_EQ(column(199),
              rows('b', 12) + 'd' + rows('b', 25) + rows('u', 16) + rows('o', 11) + rows('b', 15));
}

TEST_F(PaintGraphTest, EqualSamplesShowOnlyTheOverlappedColour) {
    setup("equal_samples");
    const BarColumn bar = graph_bar(graph, geometry, 0);
    EXPECT_TRUE(run_is_empty(bar.large));
    // 300 * 0.053 = 15.9 -> 16 rows ending at the baseline row 64.
    EXPECT_EQ(column(199), rows('b', 12) + 'd' + rows('b', 36) + rows('o', 16) + rows('b', 15));
}

TEST_F(PaintGraphTest, LengthsRoundTheProductToDoubleThenTakeTheCeiling) {
    EXPECT_EQ(bar_length(3, 100.0 / 1000.0), 1);
    EXPECT_EQ(bar_length(25, 7.0 / 25.0), 8);
    EXPECT_EQ(bar_length(500, -7.0 / 1000.0), -3);
    EXPECT_EQ(bar_length(0, -7.0 / 1000.0), 0);
    EXPECT_EQ(bar_length(-3, 0.1), 0);
    EXPECT_EQ(bar_length(INT_MAX, 0.0), 0);
    // Far beyond any image, yet never wrapped into a small or negative number.
    EXPECT_GT(bar_length(INT_MAX, 53.0), std::int64_t{1} << 32);
    EXPECT_GT(bar_length(INT_MAX, 2147483620.0), std::int64_t{1} << 32);
    EXPECT_LT(bar_length(INT_MIN, 2147483620.0), -(std::int64_t{1} << 32));
    EXPECT_GT(bar_length(INT64_MAX, 2147483620.0), std::int64_t{1} << 32);
    EXPECT_LT(bar_length(INT64_MIN, 2147483620.0), -(std::int64_t{1} << 32));
}

TEST_F(PaintGraphTest, SamplesAndScaleAbove32BitsGiveExactLengths) {
    const std::int64_t gib = INT64_C(1) << 30;
    size_graph(graph, 200, 80);
    push_sample(graph, 5 * gib, 3 * gib);
    set_scale(graph, 10 * gib, 5 * gib, 3 * gib, true);
    geometry = graph_geometry(graph);
    // k = 53 / 10 GiB: lengths ceil(26.5) = 27 and ceil(15.9) = 16 above row 64.
    const BarColumn bar = graph_bar(graph, geometry, 0);
    EXPECT_EQ(bar.overlapped.first, 49);
    EXPECT_EQ(bar.overlapped.end, 65);
    EXPECT_EQ(bar.large.first, 38);
    EXPECT_EQ(bar.large.end, 49);
}

TEST_F(PaintGraphTest, SmallestPositiveSampleGivesOnePixel) {
    setup("smallest_sample_one_pixel");
    EXPECT_DOUBLE_EQ(geometry.scale, 0.1);
    EXPECT_EQ(column(49), rows('b', 12) + 't' + rows('b', 98) + 'o' + rows('b', 15));
}

TEST_F(PaintGraphTest, RoundedProductKeepsTheTopPixelAboveTheMaxLine) {
    setup("product_rounded_before_ceiling");
    const BarColumn bar = graph_bar(graph, geometry, 0);
    EXPECT_TRUE(run_is_empty(bar.overlapped));
    EXPECT_EQ(bar.large.first, 11);
    EXPECT_EQ(bar.large.end, 19);
    EXPECT_EQ(column(119), rows('b', 11) + rows('d', 8) + rows('b', 15));
}

TEST_F(PaintGraphTest, HeightOf27DrawsNoBars) {
    setup("height_27_flat");
    EXPECT_EQ(geometry.scale, 0.0);
    for (int i = 0; i < geometry.bar_count; ++i) {
        const BarColumn bar = graph_bar(graph, geometry, i);
        EXPECT_TRUE(run_is_empty(bar.overlapped) && run_is_empty(bar.large)) << i;
    }
    for (int x = 0; x < 40; ++x) EXPECT_EQ(column(x), rows('b', 12) + 'd' + rows('b', 14)) << x;
}

TEST_F(PaintGraphTest, LowWindowHangsBarsBelowTheBaseline) {
    setup("height_20_hanging");
    const BarColumn bar = graph_bar(graph, geometry, 0);
    EXPECT_TRUE(run_is_empty(bar.overlapped));
    EXPECT_EQ(bar.large.first, 4);
    EXPECT_EQ(bar.large.end, 7);
    EXPECT_EQ(column(39), rows('b', 4) + "ddd" + rows('b', 5) + 't' + rows('b', 7));
}

TEST_F(PaintGraphTest, ZeroScaleDrawsNoBarsAndTheLineInDownloadColour) {
    setup("zero_scale");
    // Even samples that are not 0 stay flat when the scale maximum is 0.
    graph.download_history[0] = 1000;
    graph.upload_history[0] = 50;
    for (int i = 0; i < geometry.bar_count; ++i) {
        const BarColumn bar = graph_bar(graph, geometry, i);
        EXPECT_TRUE(run_is_empty(bar.overlapped) && run_is_empty(bar.large)) << i;
    }
    EXPECT_EQ(geometry.max_line.colour, classic.download);
}

TEST_F(PaintGraphTest, MaxLineColourFollowsThePeakThatSetsTheScale) {
    size_graph(graph, 100, 50);
    set_scale(graph, 700, 700, 300, false);
    EXPECT_EQ(graph_geometry(graph).max_line.colour, classic.download);
    set_scale(graph, 700, 300, 700, false);
    EXPECT_EQ(graph_geometry(graph).max_line.colour, classic.upload);
    set_scale(graph, 700, 700, 700, false);
    EXPECT_EQ(graph_geometry(graph).max_line.colour, classic.download);
    set_scale(graph, 1000, 700, 300, true);
    EXPECT_EQ(graph_geometry(graph).max_line.colour, classic.text_labels);

    const GraphGeometry g = graph_geometry(graph);
    EXPECT_EQ(g.max_line.first, 0);
    EXPECT_EQ(g.max_line.end, 100);
}

TEST_F(PaintGraphTest, LabelColoursWithAndWithoutDependentTextColour) {
    setup("locked_max_matching_neither_peak");
    ASSERT_TRUE(graph.dependent_text_color);
    EXPECT_EQ(geometry.max_line.colour, classic.text_labels);
    EXPECT_EQ(geometry.labels[0].text_colour, classic.text_labels);
    EXPECT_EQ(geometry.labels[1].text_colour, classic.download);
    EXPECT_EQ(geometry.labels[2].text_colour, classic.upload);

    graph.dependent_text_color = false;
    set_scale(graph, 600, 300, 600, false);
    GraphGeometry g = graph_geometry(graph);
    EXPECT_EQ(g.max_line.colour, classic.upload);
    for (const LabelPlacement& label : g.labels) EXPECT_EQ(label.text_colour, classic.text_labels);

    graph.dependent_text_color = true;
    g = graph_geometry(graph);
    EXPECT_EQ(g.labels[0].text_colour, classic.upload);
}

TEST_F(PaintGraphTest, BothPeaksAtTheScaleGiveTheDownloadColour) {
    setup("both_peaks_equal_scale");
    EXPECT_EQ(geometry.max_line.colour, classic.download);
    EXPECT_EQ(geometry.labels[0].text_colour, classic.download);
}

TEST_F(PaintGraphTest, LabelsArePlacedInOrderWithBackgroundCells) {
    setup("narrow_labels_overlap");
    const LabelPlacement& max = geometry.labels[0];
    const LabelPlacement& down = geometry.labels[1];
    const LabelPlacement& up = geometry.labels[2];
    EXPECT_EQ(max.x, 3);
    EXPECT_EQ(max.y, 1);
    EXPECT_EQ(max.text, graph.max_label);
    EXPECT_EQ(down.x, 3);
    EXPECT_EQ(down.y, 47);
    EXPECT_EQ(down.text, graph.download_label);
    EXPECT_EQ(down.length, static_cast<int>(std::strlen("Down:  1023.9 kB/s and more")));
    EXPECT_EQ(up.x, 77);
    EXPECT_EQ(up.y, 47);
    EXPECT_EQ(up.text, graph.upload_label);
    for (const LabelPlacement& label : geometry.labels) EXPECT_EQ(label.cell_colour, classic.background);
}

TEST_F(PaintGraphTest, EmptyAndUnterminatedLabels) {
    setup("nothing_sampled");
    EXPECT_EQ(geometry.bar_count, 0);
    EXPECT_EQ(geometry.labels[0].length, 14);
    graph.upload_label[0] = 0;
    EXPECT_EQ(graph_geometry(graph).labels[2].length, 0);
    // A label field without a terminator is read no further than its size.
    std::memset(graph.download_label, 'x', sizeof graph.download_label);
    EXPECT_EQ(graph_geometry(graph).labels[1].length, 32);
}

TEST_F(PaintGraphTest, NothingSampledLeavesOnlyBackgroundAndLine) {
    setup("nothing_sampled");
    for (int x = 0; x < 120; ++x) EXPECT_EQ(column(x), rows('b', 12) + 't' + rows('b', 47)) << x;
}

TEST_F(PaintGraphTest, SampleAboveLockedMaxIsCutAtTheTop) {
    setup("sample_above_locked_max");
    const BarColumn bar = graph_bar(graph, geometry, 0);
    // 100 * 0.053 -> 6 rows; 5000 * 0.053 -> 265 rows, far above row 0.
    EXPECT_EQ(bar.overlapped.first, 59);
    EXPECT_EQ(bar.large.first, 0);
    EXPECT_EQ(bar.large.end, 59);
    EXPECT_EQ(column(199), rows('d', 12) + 't' + rows('d', 46) + rows('o', 6) + rows('b', 15));
}

TEST_F(PaintGraphTest, ExtremeSamplesStayInsideTheImage) {
    setup("extreme_samples_and_scales");
    EXPECT_EQ(geometry.scale, 53.0);
    // Newest first: (500, -500), (MIN, MAX), (0, MIN), (MIN, 0), (MAX, MAX), (MAX, 0).
    const std::string expected[] = {
        // The overlapped part hangs below the baseline; the download part, drawn after it, covers
        // the whole column. The maximum line is drawn over every bar.
        rows('d', 12) + 't' + rows('d', 67),
        rows('u', 12) + 't' + rows('u', 67),
        // The larger sample's part starts far below the image and is cut to the rows under the baseline.
        rows('b', 12) + 't' + rows('b', 51) + 'o' + rows('d', 15),
        rows('b', 12) + 't' + rows('b', 51) + 'o' + rows('u', 15),
        rows('o', 12) + 't' + rows('o', 52) + rows('b', 15),
        rows('d', 12) + 't' + rows('d', 52) + rows('b', 15),
    };
    for (int i = 0; i < 6; ++i) {
        const BarColumn bar = graph_bar(graph, geometry, i);
        for (const PixelRun& run : {bar.overlapped, bar.large}) {
            EXPECT_GE(run.first, 0);
            EXPECT_LE(run.end, 80);
        }
        EXPECT_EQ(column(59 - i), expected[i]) << i;
    }
}

TEST_F(PaintGraphTest, NegativeScaleMaxHangsBarsDownward) {
    setup("negative_scale_max");
    EXPECT_DOUBLE_EQ(geometry.scale, -0.053);
    // (500, 200): s = ceil(-10.6) = -10, l = ceil(-26.5) = -26, both downward from row 64.
    EXPECT_EQ(column(58), rows('b', 12) + 't' + rows('b', 51) + rows('o', 10) + rows('d', 6));
    // (MAX, MIN): the overlapped part reaches up past row 0, the download part from there to the
    // bottom, covering it.
    EXPECT_EQ(column(59), rows('d', 12) + 't' + rows('d', 67));
}

TEST_F(PaintGraphTest, NewestSampleIsRightmostAcrossTheRingWrap) {
    setup("full_ring_wrapped");
    ASSERT_EQ(geometry.bar_count, 97);
    for (int i = 0; i < 97; ++i) {
        const int n = 249 - i;  // the sample pushed n-th
        const std::int32_t d = (n * 7919) % 4000, u = (n * 104729) % 4000;
        const BarColumn bar = graph_bar(graph, geometry, i);
        EXPECT_EQ(bar.x, 96 - i);
        const std::int64_t expected_l = bar_length(d >= u ? d : u, geometry.scale);
        EXPECT_EQ(bar.large.colour, d >= u ? classic.download : classic.upload) << i;
        const int top = run_is_empty(bar.large) ? bar.overlapped.first : bar.large.first;
        EXPECT_EQ(top, 70 - 16 - expected_l + 1) << i;
    }
}

TEST_F(PaintGraphTest, FewerSamplesThanColumnsLeaveTheLeftEmpty) {
    size_graph(graph, 10, 40);
    for (int i = 0; i < 3; ++i) push_sample(graph, 100, 100);
    set_scale(graph, 100, 100, 100, false);
    geometry = graph_geometry(graph);
    image = raster(graph, geometry);
    EXPECT_EQ(geometry.bar_count, 3);
    for (int x = 0; x < 7; ++x) EXPECT_EQ(column(x), rows('b', 12) + 'd' + rows('b', 27)) << x;
    for (int x = 7; x < 10; ++x)
        EXPECT_EQ(column(x), rows('b', 12) + 'd' + rows('o', 12) + rows('b', 15)) << x;
}

TEST_F(PaintGraphTest, ImageLowerThanTheMaxLineHasNoLine) {
    setup("lower_than_the_max_line");
    EXPECT_TRUE(run_is_empty(geometry.max_line));
    EXPECT_EQ(geometry.labels[1].y, -3);
}

TEST_F(PaintGraphTest, PixelsWrittenRowByRowMatchTheGeometry) {
    for (const PaintCase& c : all_cases) {
        SCOPED_TRACE(c.name);
        start_fresh_traffic_graph();
        c.setup(graph);
        geometry = graph_geometry(graph);
        image = raster(graph, geometry);
        std::vector<std::uint32_t> pixels(image.size(), 0xFFFFFFFFu);
        paint_bars(graph, geometry, pixels.data());
        for (int x = geometry.max_line.first; x < geometry.max_line.end; ++x)
            pixels[static_cast<std::size_t>(geometry.metrics.max_line_row) * geometry.width + x] =
                dib_pixel(geometry.max_line.colour);
        int mismatches = 0;
        for (std::size_t i = 0; i < pixels.size(); ++i) mismatches += pixels[i] != dib_pixel(image[i]);
        EXPECT_EQ(mismatches, 0);
    }
}

TEST_F(PaintGraphTest, PixelsOfWideImagesCrossColumnBands) {
    size_graph(graph, 700, 40);
    for (int i = 0; i < 650; ++i) push_sample(graph, (i * 37) % 101, (i * 53) % 97);
    set_scale(graph, 100, 100, 96, false);
    geometry = graph_geometry(graph);
    image = raster(graph, geometry);
    std::vector<std::uint32_t> pixels(image.size(), 0xFFFFFFFFu);
    paint_bars(graph, geometry, pixels.data());
    int mismatches = 0;
    for (int y = 0; y < 40; ++y)
        for (int x = 0; x < 700; ++x)
            if (y != geometry.metrics.max_line_row)
                mismatches += pixels[y * 700 + x] != dib_pixel(pixel(x, y));
    EXPECT_EQ(mismatches, 0);
}

// Every length given in pixels scales with the screen's DPI; at 96 nothing
// moves. A sample at the scale maximum reaches from the baseline up to the
// maximum line at every DPI, and bars keep one column per sample.
TEST_F(PaintGraphTest, LengthsFollowTheDpi) {
    const struct {
        int dpi;
        int max_line_row, baseline, label_left, max_label_top, bottom_labels;
    } cases[] = {{96, 12, 144, 3, 1, 147}, {144, 18, 136, 5, 2, 140}, {192, 24, 128, 6, 2, 134}};
    for (const auto& entry : cases) {
        SCOPED_TRACE(entry.dpi);
        start_fresh_traffic_graph();
        graph.dpi = entry.dpi;
        size_graph(graph, 400, 160);
        push_sample(graph, 1000, 0);
        push_sample(graph, 1000, 1000);
        set_scale(graph, 1000, 1000, 1000, true);
        set_labels(graph, "Max", "Down", "Up");
        geometry = graph_geometry(graph);
        image = raster(graph, geometry);
        EXPECT_EQ(geometry.metrics.max_line_row, entry.max_line_row);
        const int span = entry.baseline - entry.max_line_row + 1, below = 159 - entry.baseline;
        const std::string above = rows('b', entry.max_line_row);
        EXPECT_EQ(column(398), above + rows('d', span) + rows('b', below));
        EXPECT_EQ(column(399),
                  above + 'd' + rows('o', span - 1) + rows('b', below));  // the line over the bar
        EXPECT_EQ(column(397), above + 'd' + rows('b', 159 - entry.max_line_row));
        const int expected_x[] = {entry.label_left, entry.label_left, 200};
        const int expected_y[] = {entry.max_label_top, entry.bottom_labels, entry.bottom_labels};
        for (int i = 0; i < 3; ++i) {
            EXPECT_EQ(geometry.labels[i].x, expected_x[i]) << i;
            EXPECT_EQ(geometry.labels[i].y, expected_y[i]) << i;
        }
    }
}

TEST(DibPixel, SwapsRedAndBlue) {
    EXPECT_EQ(dib_pixel(0x0000FF), 0xFF0000u);
    EXPECT_EQ(dib_pixel(0xFF0000), 0x0000FFu);
    EXPECT_EQ(dib_pixel(0x123456), 0x563412u);
}

TEST(CutRun, CoversTheStartAndStopsBeforeTheEnd) {
    PixelRun run = cut_run(64, 53, 80, 1);
    EXPECT_EQ(run.first, 54);
    EXPECT_EQ(run.end, 65);
    run = cut_run(4, 7, 20, 1);
    EXPECT_EQ(run.first, 4);
    EXPECT_EQ(run.end, 7);
    EXPECT_TRUE(run_is_empty(cut_run(30, 30, 80, 1)));
    EXPECT_TRUE(run_is_empty(cut_run(-5, -400, 80, 1)));
    EXPECT_TRUE(run_is_empty(cut_run(80, 2000, 80, 1)));
    run = cut_run(std::int64_t{1} << 41, -(std::int64_t{1} << 41), 80, 1);
    EXPECT_EQ(run.first, 0);
    EXPECT_EQ(run.end, 80);
}

}  // namespace
