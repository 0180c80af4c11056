// Which colours are painted: the user's, or high contrast's, with patterns
// where two series share a colour.
#include "graph/contrast_colors.h"

#include <gtest/gtest.h>

#include <string>

namespace {

constexpr ColorSet user = {0x616A65, 0x85B397, 0xC4F1EB, 0xB0D9D4, 0xFFFFFF};  // Zombie Mocha

std::string fill_name(Fill fill) {
    return fill == Fill::solid ? "solid" : fill == Fill::dotted ? "dotted" : "hatched";
}

// background, download, upload, overlapped, text; then the fills of download,
// upload and overlapped.
struct Case {
    const char* name;
    bool high_contrast;
    SystemColours system;  // window, window text, highlight, hotlight
    ColorSet colors;
    Fill download, upload, overlapped;
};

TEST(ContrastColors, DecisionTable) {
    using F = Fill;
    const Case cases[] = {
        {"off: the user's colours, whatever the system's",
         false,
         {0x000000, 0xFFFFFF, 0xFFFF00, 0x00FFFF},
         user,
         F::solid,
         F::solid,
         F::solid},
        {"High Contrast Black: four colours apart",
         true,
         {0x000000, 0xFFFFFF, 0xFFEB1A, 0x00FFFF},
         {0x000000, 0xFFEB1A, 0x00FFFF, 0xFFFFFF, 0xFFFFFF},
         F::solid,
         F::solid,
         F::solid},
        {"High Contrast White",
         true,
         {0xFFFFFF, 0x000000, 0x6E0037, 0x9F0000},
         {0xFFFFFF, 0x6E0037, 0x9F0000, 0x000000, 0x000000},
         F::solid,
         F::solid,
         F::solid},
        {"highlight and hot light alike: upload dotted",
         true,
         {0x000000, 0xFFFFFF, 0x00FF00, 0x00FF00},
         {0x000000, 0x00FF00, 0x00FF00, 0xFFFFFF, 0xFFFFFF},
         F::solid,
         F::dotted,
         F::solid},
        {"hot light as the text: upload dotted beside the overlapped part",
         true,
         {0x000000, 0xFFFFFF, 0x00FF00, 0xFFFFFF},
         {0x000000, 0x00FF00, 0xFFFFFF, 0xFFFFFF, 0xFFFFFF},
         F::solid,
         F::dotted,
         F::solid},
        {"highlight as the text: download dotted",
         true,
         {0x000000, 0xFFFFFF, 0xFFFFFF, 0x00FFFF},
         {0x000000, 0xFFFFFF, 0x00FFFF, 0xFFFFFF, 0xFFFFFF},
         F::dotted,
         F::solid,
         F::solid},
        {"all three alike: solid, dotted, hatched",
         true,
         {0x000000, 0xFFFFFF, 0xFFFFFF, 0xFFFFFF},
         {0x000000, 0xFFFFFF, 0xFFFFFF, 0xFFFFFF, 0xFFFFFF},
         F::dotted,
         F::hatched,
         F::solid},
        {"a highlight on the window's colour takes the text's",
         true,
         {0xFFFFFF, 0x000000, 0xFFFFFF, 0x9F0000},
         {0xFFFFFF, 0x000000, 0x9F0000, 0x000000, 0x000000},
         F::dotted,
         F::solid,
         F::solid},
        {"text like the window: the opposite colour",
         true,
         {0x202020, 0x202020, 0x8EE3F0, 0x75E9FC},
         {0x202020, 0x8EE3F0, 0x75E9FC, 0xDFDFDF, 0xDFDFDF},
         F::solid,
         F::solid,
         F::solid},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const Palette palette = choose_palette(c.high_contrast, c.system, user);
        EXPECT_EQ(palette.high_contrast, c.high_contrast);
        EXPECT_TRUE(palette.colors == c.colors);
        EXPECT_EQ(fill_name(palette.download_fill), fill_name(c.download));
        EXPECT_EQ(fill_name(palette.upload_fill), fill_name(c.upload));
        EXPECT_EQ(fill_name(palette.overlapped_fill), fill_name(c.overlapped));
        // The user's colours play no part while high contrast is on.
        const ColorSet other = {1, 2, 3, 4, 5};
        if (c.high_contrast) {
            EXPECT_TRUE(choose_palette(true, c.system, other) == palette);
        }
    }
}

// Every series stays apart from the background and from the others, by
// colour or by fill, whatever the system's colours.
TEST(ContrastColors, SeriesAlwaysStayApart) {
    const Colour picks[] = {0x000000, 0xFFFFFF, 0x00FF00};
    for (Colour window : picks)
        for (Colour text : picks)
            for (Colour highlight : picks)
                for (Colour hotlight : picks) {
                    const Palette p = choose_palette(true, {window, text, highlight, hotlight}, user);
                    const ColorSet& c = p.colors;
                    for (Colour series : {c.download, c.upload, c.overlapped, c.text_labels})
                        EXPECT_NE(series, c.background);
                    const auto apart = [](Colour a, Fill fa, Colour b, Fill fb) {
                        return a != b || fa != fb;
                    };
                    EXPECT_TRUE(apart(c.download, p.download_fill, c.upload, p.upload_fill));
                    EXPECT_TRUE(apart(c.download, p.download_fill, c.overlapped, p.overlapped_fill));
                    EXPECT_TRUE(apart(c.upload, p.upload_fill, c.overlapped, p.overlapped_fill));
                }
}

TEST(ContrastColors, FillsCoverTheirShare) {
    int dotted = 0, hatched = 0;
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 8; ++x) {
            EXPECT_TRUE(fill_covers(Fill::solid, x, y));
            dotted += fill_covers(Fill::dotted, x, y);
            hatched += fill_covers(Fill::hatched, x, y);
        }
    EXPECT_EQ(dotted, 32);
    EXPECT_EQ(hatched, 32);
    // In one column the two patterns differ: every other row against two rows in four.
    std::string column_dotted, column_hatched;
    for (int y = 0; y < 8; ++y) {
        column_dotted += fill_covers(Fill::dotted, 5, y) ? '#' : '.';
        column_hatched += fill_covers(Fill::hatched, 5, y) ? '#' : '.';
    }
    EXPECT_EQ(column_dotted, ".#.#.#.#");
    EXPECT_EQ(column_hatched, "#..##..#");
    // Off: the user's colours, solid, whatever the record holds.
    const Palette shown = shown_palette(user, Palette{});
    EXPECT_FALSE(shown.high_contrast);
    EXPECT_TRUE(shown.colors == user);
}

}  // namespace
