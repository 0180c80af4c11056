// The notification icon's pixel fonts: the rates' digits, point and unit
// letters drawn pixel by pixel, in three heights, so that the rates stay
// readable at every icon size (16 pixels at 100 %, 20 at 125 %, 24 at 150 %,
// 28 at 175 %, 32 at 200 % and beyond).
#pragma once

#include <cstdint>

struct Glyph {
    char c;
    const char* rows;  // `height` rows of one width, each ended by '|' but the last; '#' covered
};

struct PixelFont {
    int height;
    const Glyph* glyphs;
    int glyph_count;
};

// 3 x 5 (the point 1 column), 4 x 7 and 5 x 8 (the point 2 columns): digits,
// '.', and the unit letters k, M, G, T, P, E.
extern const PixelFont font_3x5;
extern const PixelFont font_4x7;
extern const PixelFont font_5x8;

// Characters outside the font are empty and take no room.
int glyph_width(const PixelFont& font, char c);
bool glyph_pixel(const PixelFont& font, char c, int x, int y);

// How the rates are written in an icon of one size: a font, each of its
// pixels `scale` x `scale` icon pixels, characters `gap` icon pixels apart.
struct TextLayout {
    const PixelFont* font;
    int scale;
    int gap;
};

// The tallest text whose widest four characters ("8888") fit across the
// icon and whose two lines fit in its halves; among equals, the font's own
// pixels before doubled ones. Gaps of up to two font pixels spread the text.
TextLayout rates_text_layout(int size);

// The width of `text` in icon pixels: its glyphs and the gaps between them.
int text_width(const TextLayout& layout, const char* text);

// `text` centred across a size x size top-down image, its top row at `top`.
void draw_text(std::uint32_t* pixels, int size, int top, const char* text, const TextLayout& layout,
               std::uint32_t pixel);
