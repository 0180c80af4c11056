#include "dialogs/swatches.h"

#include "resources/resource.h"

ColorSet edit_colors;
HBRUSH swatch_brushes[swatch_count];

namespace {

constexpr int swatch_ids[swatch_count] = {IDC_BACKGROUND_SWATCH, IDC_DOWNLOAD_SWATCH, IDC_UPLOAD_SWATCH,
                                          IDC_OVERLAPPED_SWATCH, IDC_TEXT_LABELS_SWATCH};

void free_swatch_brush(int index) {
    if (swatch_brushes[index]) {
        DeleteObject(swatch_brushes[index]);
        swatch_brushes[index] = nullptr;
    }
}

}  // namespace

int swatch_index(int control_id) {
    for (int i = 0; i < swatch_count; ++i) {
        if (swatch_ids[i] == control_id) return i;
    }
    return -1;
}

int swatch_control(int index) {
    return swatch_ids[index];
}

Colour& swatch_color(ColorSet& set, int index) {
    switch (index) {
        case 0:
            return set.background;
        case 1:
            return set.download;
        case 2:
            return set.upload;
        case 3:
            return set.overlapped;
        default:
            return set.text_labels;
    }
}

void rebuild_swatch_brush(int index) {
    free_swatch_brush(index);
    swatch_brushes[index] = CreateSolidBrush(swatch_color(edit_colors, index));
}

void rebuild_swatch_brushes() {
    for (int i = 0; i < swatch_count; ++i) rebuild_swatch_brush(i);
}

void free_swatch_brushes() {
    for (int i = 0; i < swatch_count; ++i) free_swatch_brush(i);
}

// With the focus, the system's dotted rectangle inside its edge, unless the
// keyboard cues are hidden (nothing in the dialog has been done by keyboard).
void draw_swatch(const DRAWITEMSTRUCT& item) {
    int index = swatch_index(static_cast<int>(item.CtlID));
    if (index < 0 || !swatch_brushes[index]) return;
    FillRect(item.hDC, &item.rcItem, swatch_brushes[index]);
    const bool cues_hidden = (item.itemState & ODS_NOFOCUSRECT) ||
                             (SendMessageA(item.hwndItem, WM_QUERYUISTATE, 0, 0) & UISF_HIDEFOCUS);
    if (!(item.itemState & ODS_FOCUS) || cues_hidden) return;
    RECT inside = item.rcItem;
    InflateRect(&inside, -GetSystemMetrics(SM_CXEDGE), -GetSystemMetrics(SM_CYEDGE));
    DrawFocusRect(item.hDC, &inside);
}
