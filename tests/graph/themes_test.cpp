#include "graph/themes.h"

#include <gtest/gtest.h>

#include <string>

#include "support/gdi_probe.h"
#include "support/graph_fixture.h"

namespace {

TEST(Themes, EightRowsAndAnEmptyEndRow) {
    const char* const names[] = {"Classic", "Classic Pale", "Zombie Mocha", "Gray",
                                 "Bile",    "Plum",         "Rust",         "Creamy"};
    for (int row = 0; row < 8; ++row) EXPECT_STREQ(themes[row].name, names[row]);
    EXPECT_STREQ(themes[8].name, "");
    EXPECT_EQ(themes[8].colors, (ColorSet{0, 0, 0, 0, 0}));
}

TEST(Themes, LookupIsExact) {
    ASSERT_NE(find_theme("Classic"), nullptr);
    EXPECT_EQ(*find_theme("Classic"), (ColorSet{0x000000, 0x00FF00, 0xFF0000, 0xFFFF00, 0xFFFFFF}));
    EXPECT_EQ(*find_theme("Classic Pale"), (ColorSet{0x000000, 0x00EC00, 0x8A3726, 0x9F9F11, 0xFFFFFF}));
    EXPECT_EQ(*find_theme("Zombie Mocha"), (ColorSet{0x616A65, 0x85B397, 0xC4F1EB, 0xB0D9D4, 0xFFFFFF}));
    EXPECT_EQ(*find_theme("Rust"), (ColorSet{0x092245, 0x2D4DD0, 0x000000, 0x2DCDD0, 0xFFFFFF}));
    EXPECT_EQ(*find_theme("Creamy"), (ColorSet{0x746664, 0xC4F1EB, 0x000000, 0x4B9BE3, 0xFFFFFF}));
    EXPECT_EQ(find_theme("Custom"), nullptr);
    EXPECT_EQ(find_theme("classic"), nullptr);
    EXPECT_EQ(find_theme("Rust "), nullptr);
    EXPECT_EQ(find_theme(""), nullptr);
    EXPECT_EQ(find_theme(std::string(64, 'C').c_str()), nullptr);
}

using ApplyColorSet = GraphTest;

TEST_F(ApplyColorSet, RecoloursTheRecordAndItsPensButNotTheName) {
    std::snprintf(graph.theme_name, sizeof graph.theme_name, "%s", "Rust");
    const int before = live_gdi_objects();
    apply_color_set(*find_theme("Gray"), graph);
    apply_color_set(*find_theme("Gray"), graph);
    EXPECT_EQ(graph.colors, (ColorSet{0xD5D5D5, 0x000000, 0x6B6B6B, 0x383838, 0x000000}));
    EXPECT_EQ(pen_color(graph.download_pen), 0x000000u);
    EXPECT_EQ(pen_color(graph.upload_pen), 0x6B6B6Bu);
    EXPECT_EQ(pen_color(graph.overlapped_pen), 0x383838u);
    EXPECT_EQ(pen_color(graph.text_pen), 0x000000u);
    if (before >= 0) {
        EXPECT_EQ(live_gdi_objects(), before);
    }
    EXPECT_STREQ(graph.theme_name, "Rust");
}

}  // namespace
