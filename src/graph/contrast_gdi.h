// The GDI objects that high contrast paints with: pens of its colours for the
// graph's maximum line, and brushes that fill in a series' colour or pattern
// (the Usage window's chart). All are counted, so that tests can tell that
// none is left over, which GDI's own count (0 under Wine) cannot.
#pragma once

#include <windows.h>

#include "graph/contrast_colors.h"
#include "graph/gdi_guards.h"

struct ContrastGdiCounts {
    long pens_made;
    long pens_deleted;
    long brushes_made;
    long brushes_deleted;
};
extern ContrastGdiCounts contrast_gdi_counts;

// Makes the pens of a high-contrast palette (download, upload and text
// colours), deleting those of the one before; with high contrast off, only deletes.
void set_contrast_pens(const Palette& palette);
// The pen of `colour` among them, or null.
HPEN contrast_pen(Colour colour);

struct CountedBrushTraits {
    using Value = HBRUSH;
    static bool held(HBRUSH brush) { return brush != nullptr; }
    static void let_go(HBRUSH brush);
};
using CountedBrush = Scoped<CountedBrushTraits>;

// A brush of `colour` in `fill`: solid, or its pattern over `background`,
// lined up with the surface's origin as fill_covers describes.
CountedBrush make_fill_brush(Colour colour, Fill fill, Colour background);
