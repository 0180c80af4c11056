// Scope guards for GDI: device contexts, objects and selections.
#pragma once

#include <windows.h>

#include "scoped.h"

// A memory DC, deleted.
struct DcTraits {
    using Value = HDC;
    static bool held(HDC dc) { return dc != nullptr; }
    static void let_go(HDC dc) { DeleteDC(dc); }
};
using DcGuard = Scoped<DcTraits>;

// A GDI object, deleted; it must no longer be selected anywhere by then.
struct ObjectTraits {
    using Value = HGDIOBJ;
    static bool held(HGDIOBJ object) { return object != nullptr; }
    static void let_go(HGDIOBJ object) { DeleteObject(object); }
};
using ObjectGuard = Scoped<ObjectTraits>;

// An object selected into a DC: what it replaced is put back.
struct Selection {
    HDC dc;
    HGDIOBJ previous;
};
struct SelectionTraits {
    using Value = Selection;
    static bool held(const Selection& selection) { return selection.dc && selection.previous; }
    static void let_go(const Selection& selection) { SelectObject(selection.dc, selection.previous); }
};
using SelectionGuard = Scoped<SelectionTraits>;

inline SelectionGuard select_into(HDC dc, HGDIOBJ object) {
    HGDIOBJ previous = SelectObject(dc, object);
    return SelectionGuard(Selection{dc, previous == HGDI_ERROR ? nullptr : previous});
}
