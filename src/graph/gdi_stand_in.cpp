#include "gdi_stand_in.h"

#include <cstdlib>

struct GdiObject {
    bool is_pen;
    COLORREF color;
    LOGFONTA font;
};

namespace {
int live_objects = 0;
}

HPEN CreatePen(int /*style*/, int /*width*/, COLORREF color) {
    HPEN pen = new GdiObject{true, color, {}};
    ++live_objects;
    return pen;
}

HFONT CreateFontIndirectA(const LOGFONTA* description) {
    if (!description) return nullptr;
    HFONT font = new GdiObject{false, 0, *description};
    ++live_objects;
    return font;
}

BOOL DeleteObject(HGDIOBJ object) {
    if (!object) return 0;
    delete object;
    --live_objects;
    return 1;
}

int stand_in_live_objects() {
    return live_objects;
}

COLORREF stand_in_pen_color(HPEN pen) {
    if (!pen || !pen->is_pen) std::abort();
    return pen->color;
}

const LOGFONTA* stand_in_font_description(HFONT font) {
    if (!font || font->is_pen) std::abort();
    return &font->font;
}
