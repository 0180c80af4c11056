#include "graph/contrast_gdi.h"

#include <cstdint>
#include <cstring>

#include "graph/dib_win.h"

ContrastGdiCounts contrast_gdi_counts;

namespace {

struct ContrastPen {
    Colour colour;
    HPEN pen;
};

// Download, upload, text; empty while high contrast is off.
ContrastPen pens[3];

void delete_pens() {
    for (ContrastPen& entry : pens) {
        if (entry.pen && DeleteObject(entry.pen)) ++contrast_gdi_counts.pens_deleted;
        entry = {};
    }
}

// An 8 x 8 pattern, whole periods of every fill.
constexpr int pattern_side = 8;

}  // namespace

void set_contrast_pens(const Palette& palette) {
    delete_pens();
    if (!palette.high_contrast) return;
    const Colour colours[] = {palette.colors.download, palette.colors.upload, palette.colors.text_labels};
    for (int i = 0; i < 3; ++i) {
        pens[i] = {colours[i], CreatePen(PS_SOLID, 1, colours[i])};
        if (pens[i].pen) ++contrast_gdi_counts.pens_made;
    }
}

HPEN contrast_pen(Colour colour) {
    for (const ContrastPen& entry : pens)
        if (entry.pen && entry.colour == colour) return entry.pen;
    return nullptr;
}

void CountedBrushTraits::let_go(HBRUSH brush) {
    if (DeleteObject(brush)) ++contrast_gdi_counts.brushes_deleted;
}

CountedBrush make_fill_brush(Colour colour, Fill fill, Colour background) {
    HBRUSH brush = nullptr;
    if (fill == Fill::solid) {
        brush = CreateSolidBrush(colour);
    } else {
        // A packed DIB: the header, then bottom-up rows of 0x00RRGGBB pixels.
        struct {
            BITMAPINFOHEADER header;
            std::uint32_t pixels[pattern_side * pattern_side];
        } pattern{};
        pattern.header = top_down_image_info(pattern_side, pattern_side).bmiHeader;
        pattern.header.biHeight = pattern_side;  // bottom-up, as every reader of a packed DIB takes it
        for (int y = 0; y < pattern_side; ++y)
            for (int x = 0; x < pattern_side; ++x)
                pattern.pixels[(pattern_side - 1 - y) * pattern_side + x] =
                    dib_pixel(fill_covers(fill, x, y) ? colour : background);
        brush = CreateDIBPatternBrushPt(&pattern, DIB_RGB_COLORS);
    }
    if (brush) ++contrast_gdi_counts.brushes_made;
    return CountedBrush(brush);
}
