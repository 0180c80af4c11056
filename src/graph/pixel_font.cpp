#include "graph/pixel_font.h"

#include <algorithm>
#include <cstring>
#include <iterator>

namespace {

constexpr Glyph glyphs_3x5[] = {
    {'0', "###|#.#|#.#|#.#|###"}, {'1', ".#.|##.|.#.|.#.|###"}, {'2', "###|..#|###|#..|###"},
    {'3', "###|..#|###|..#|###"}, {'4', "#.#|#.#|###|..#|..#"}, {'5', "###|#..|###|..#|###"},
    {'6', "###|#..|###|#.#|###"}, {'7', "###|..#|..#|.#.|.#."}, {'8', "###|#.#|###|#.#|###"},
    {'9', "###|#.#|###|..#|###"}, {'.', ".|.|.|.|#"},           {'k', "#..|#.#|##.|#.#|#.#"},
    {'M', "#.#|###|###|#.#|#.#"}, {'G', "###|#..|#.#|#.#|###"}, {'T', "###|.#.|.#.|.#.|.#."},
    {'P', "###|#.#|###|#..|#.."}, {'E', "###|#..|###|#..|###"},
};

// One-pixel strokes with rounded corners; the point is a square of two.
constexpr Glyph glyphs_4x7[] = {
    {'0', ".##.|#..#|#..#|#..#|#..#|#..#|.##."},
    {'1', "..#.|.##.|#.#.|..#.|..#.|..#.|####"},
    {'2', ".##.|#..#|...#|..#.|.#..|#...|####"},
    {'3', ".##.|#..#|...#|..#.|...#|#..#|.##."},
    {'4', "..#.|.##.|#.#.|#.#.|####|..#.|..#."},
    {'5', "####|#...|###.|...#|...#|#..#|.##."},
    {'6', ".##.|#...|#...|###.|#..#|#..#|.##."},
    {'7', "####|...#|..#.|..#.|.#..|.#..|.#.."},
    {'8', ".##.|#..#|#..#|.##.|#..#|#..#|.##."},
    {'9', ".##.|#..#|#..#|.###|...#|...#|.##."},
    {'.', "..|..|..|..|..|##|##"},
    {'k', "#...|#...|#..#|#.#.|##..|#.#.|#..#"},
    {'M', "#..#|####|####|#..#|#..#|#..#|#..#"},
    {'G', ".##.|#..#|#...|#.##|#..#|#..#|.###"},
    {'T', "####|.##.|.##.|.##.|.##.|.##.|.##."},
    {'P', "###.|#..#|#..#|###.|#...|#...|#..."},
    {'E', "####|#...|#...|###.|#...|#...|####"},
};

constexpr Glyph glyphs_5x8[] = {
    {'0', ".###.|#...#|#...#|#...#|#...#|#...#|#...#|.###."},
    {'1', "..#..|.##..|#.#..|..#..|..#..|..#..|..#..|#####"},
    {'2', ".###.|#...#|....#|...#.|..#..|.#...|#....|#####"},
    {'3', ".###.|#...#|....#|..##.|....#|....#|#...#|.###."},
    {'4', "...#.|..##.|.#.#.|#..#.|#####|...#.|...#.|...#."},
    {'5', "#####|#....|#....|####.|....#|....#|#...#|.###."},
    {'6', ".###.|#....|#....|####.|#...#|#...#|#...#|.###."},
    {'7', "#####|....#|...#.|...#.|..#..|..#..|.#...|.#..."},
    {'8', ".###.|#...#|#...#|.###.|#...#|#...#|#...#|.###."},
    {'9', ".###.|#...#|#...#|#...#|.####|....#|....#|.###."},
    {'.', "..|..|..|..|..|..|##|##"},
    {'k', "#....|#....|#..#.|#.#..|##...|#.#..|#..#.|#...#"},
    {'M', "#...#|##.##|#.#.#|#.#.#|#...#|#...#|#...#|#...#"},
    {'G', ".###.|#...#|#....|#....|#.###|#...#|#...#|.####"},
    {'T', "#####|..#..|..#..|..#..|..#..|..#..|..#..|..#.."},
    {'P', "####.|#...#|#...#|####.|#....|#....|#....|#...."},
    {'E', "#####|#....|#....|####.|#....|#....|#....|#####"},
};

const Glyph* find_glyph(const PixelFont& font, char c) {
    for (int i = 0; i < font.glyph_count; ++i)
        if (font.glyphs[i].c == c) return &font.glyphs[i];
    return nullptr;
}

int rows_width(const char* rows) {
    const char* end = std::strchr(rows, '|');
    return static_cast<int>(end ? end - rows : static_cast<std::ptrdiff_t>(std::strlen(rows)));
}

int widest_glyph(const PixelFont& font) {
    int widest = 0;
    for (int i = 0; i < font.glyph_count; ++i) widest = std::max(widest, rows_width(font.glyphs[i].rows));
    return widest;
}

void fill_block(std::uint32_t* pixels, int size, int left, int top, int side, std::uint32_t pixel) {
    for (int y = std::max(top, 0); y < std::min(top + side, size); ++y)
        for (int x = std::max(left, 0); x < std::min(left + side, size); ++x)
            pixels[static_cast<std::size_t>(y) * size + x] = pixel;
}

constexpr int widest_text = 4;  // characters of a rate (format_short_rate)

}  // namespace

const PixelFont font_3x5{5, glyphs_3x5, static_cast<int>(std::size(glyphs_3x5))};
const PixelFont font_4x7{7, glyphs_4x7, static_cast<int>(std::size(glyphs_4x7))};
const PixelFont font_5x8{8, glyphs_5x8, static_cast<int>(std::size(glyphs_5x8))};

int glyph_width(const PixelFont& font, char c) {
    const Glyph* glyph = find_glyph(font, c);
    return glyph ? rows_width(glyph->rows) : 0;
}

bool glyph_pixel(const PixelFont& font, char c, int x, int y) {
    const Glyph* glyph = find_glyph(font, c);
    if (!glyph || y < 0 || y >= font.height) return false;
    const int width = rows_width(glyph->rows);
    if (x < 0 || x >= width) return false;
    return glyph->rows[y * (width + 1) + x] == '#';
}

TextLayout rates_text_layout(int size) {
    const PixelFont* const fonts[] = {&font_3x5, &font_4x7, &font_5x8};
    TextLayout best{&font_3x5, 1, 1};
    int best_height = 0;
    for (int scale = 1; scale * font_3x5.height <= size / 2; ++scale) {
        for (const PixelFont* font : fonts) {
            const int height = font->height * scale;
            const int glyphs = widest_text * widest_glyph(*font) * scale;
            // A free row in each half at least, and a gap of a font pixel.
            if (height > size / 2 - 1 || glyphs + (widest_text - 1) * scale > size) continue;
            if (height <= best_height) continue;
            const int gap = std::min(2 * scale, (size - glyphs) / (widest_text - 1));
            best = {font, scale, gap};
            best_height = height;
        }
    }
    return best;
}

int text_width(const TextLayout& layout, const char* text) {
    int width = 0;
    for (const char* c = text; *c; ++c) {
        const int glyph = glyph_width(*layout.font, *c);
        if (glyph == 0) continue;
        width += (width ? layout.gap : 0) + glyph * layout.scale;
    }
    return width;
}

void draw_text(std::uint32_t* pixels, int size, int top, const char* text, const TextLayout& layout,
               std::uint32_t pixel) {
    const PixelFont& font = *layout.font;
    const int scale = layout.scale;
    int left = (size - text_width(layout, text)) / 2;
    for (const char* c = text; *c; ++c) {
        const int width = glyph_width(font, *c);
        if (width == 0) continue;
        for (int y = 0; y < font.height; ++y)
            for (int x = 0; x < width; ++x)
                if (glyph_pixel(font, *c, x, y))
                    fill_block(pixels, size, left + x * scale, top + y * scale, scale, pixel);
        left += width * scale + layout.gap;
    }
}
