// Looks at the record's GDI objects in either build.
#pragma once

#include "graph/gdi_objects.h"

#ifdef _WIN32
inline COLORREF pen_color(HPEN pen) {
    LOGPEN description{};
    if (GetObjectA(pen, sizeof description, &description) != sizeof description) return 0xFFFFFFFFu;
    return description.lopnColor;
}
// GDI objects of this process, or -1 where the platform does not count them.
inline int live_gdi_objects() {
    DWORD objects = GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS);
    return objects > 0 ? static_cast<int>(objects) : -1;
}
#else
inline COLORREF pen_color(HPEN pen) {
    return stand_in_pen_color(pen);
}
inline int live_gdi_objects() {
    return stand_in_live_objects();
}
#endif
