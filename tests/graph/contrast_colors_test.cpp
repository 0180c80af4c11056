// Which colours are painted: the user's, or high contrast's, with patterns
// where two series share a colour.
#include "graph/contrast_colors.h"

#include <gtest/gtest.h>

#include <string>

namespace {

constexpr ColorSet user = {0x616A65, 0x85B397, 0xC4F1EB, 0xB0D9D4, 0xFFFFFF};  // Zombie Mocha

// Fills of download, upload and overlapped: s solid, d dotted, h hatched.
std::string fills(const Palette& p) {
    std::string letters;
    for (Fill fill : {p.download_fill, p.upload_fill, p.overlapped_fill})
        letters += fill == Fill::solid ? 's' : fill == Fill::dotted ? 'd' : 'h';
    return letters;
}

TEST(ContrastColors, DecisionTable) {
    const struct {
        const char* name;
        bool on;
        SystemColours system;  // window, window text, highlight, hot light
        ColorSet painted;      // background, download, upload, overlapped, text
        const char* fills;
    } cases[] = {
        // clang-format off
        {"off: the user's", false, {0, 0xFFFFFF, 0xFFFF00, 0x00FFFF}, user, "sss"},
        {"four colours apart", true, {0, 0xFFFFFF, 0xFFEB1A, 0x00FFFF}, {0, 0xFFEB1A, 0x00FFFF, 0xFFFFFF, 0xFFFFFF}, "sss"},
        {"highlight as hot light", true, {0, 0xFFFFFF, 0x00FF00, 0x00FF00}, {0, 0x00FF00, 0x00FF00, 0xFFFFFF, 0xFFFFFF}, "sds"},
        {"hot light as text", true, {0, 0xFFFFFF, 0x00FF00, 0xFFFFFF}, {0, 0x00FF00, 0xFFFFFF, 0xFFFFFF, 0xFFFFFF}, "sds"},
        {"all three alike", true, {0, 0xFFFFFF, 0xFFFFFF, 0xFFFFFF}, {0, 0xFFFFFF, 0xFFFFFF, 0xFFFFFF, 0xFFFFFF}, "dhs"},
        {"highlight as window: text", true, {0xFFFFFF, 0, 0xFFFFFF, 0x9F0000}, {0xFFFFFF, 0, 0x9F0000, 0, 0}, "dss"},
        {"text as window: opposite", true, {0x202020, 0x202020, 0x8EE3F0, 0x75E9FC}, {0x202020, 0x8EE3F0, 0x75E9FC, 0xDFDFDF, 0xDFDFDF}, "sss"},
        // clang-format on
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const Palette palette = choose_palette(c.on, c.system, user);
        EXPECT_EQ(palette.high_contrast, c.on);
        EXPECT_TRUE(palette.colors == c.painted);
        EXPECT_EQ(fills(palette), c.fills);
        // While it is on the user's colours play no part.
        if (c.on) {
            EXPECT_TRUE(choose_palette(true, c.system, ColorSet{1, 2, 3, 4, 5}) == palette);
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
                    EXPECT_TRUE(c.download != c.upload || p.download_fill != p.upload_fill);
                    EXPECT_TRUE(c.download != c.overlapped || p.download_fill != p.overlapped_fill);
                    EXPECT_TRUE(c.upload != c.overlapped || p.upload_fill != p.overlapped_fill);
                }
}

}  // namespace
