#include "graph/usage_chart_win.h"

#include <cstring>

#include "graph/contrast_gdi.h"
#include "graph/gdi_guards.h"

namespace {

void fill(HDC dc, const ChartRect& rect, HBRUSH brush) {
    if (rect_is_empty(rect)) return;
    const RECT area{rect.left, rect.top, rect.right, rect.bottom};
    FillRect(dc, &area, brush);
}

void line(HDC dc, int left, int right, int row) {
    MoveToEx(dc, left, row, nullptr);
    LineTo(dc, right, row);
}

}  // namespace

void paint_usage_chart(HDC target, const UsageChartGeometry& geometry, const UsageChartTexts& texts,
                       const Palette& palette, HFONT font) {
    if (!geometry.drawn) return;
    DcGuard dc(CreateCompatibleDC(target));
    ObjectGuard bitmap(CreateCompatibleBitmap(target, geometry.width, geometry.height));
    if (!dc.get() || !bitmap.get()) return;
    SelectionGuard bitmap_selection = select_into(dc.get(), bitmap.get());
    const ColorSet& colors = palette.colors;
    const CountedBrush background = make_fill_brush(colors.background, Fill::solid, colors.background);
    const CountedBrush download = make_fill_brush(colors.download, palette.download_fill, colors.background);
    const CountedBrush upload = make_fill_brush(colors.upload, palette.upload_fill, colors.background);
    const CountedBrush text = make_fill_brush(colors.text_labels, Fill::solid, colors.background);
    ObjectGuard pen(CreatePen(PS_SOLID, 1, colors.text_labels));
    HDC image = dc.get();

    fill(image, {0, 0, geometry.width, geometry.height}, background.get());
    for (int i = 0; i < geometry.bar_count; ++i) {
        fill(image, geometry.bars[i].download, download.get());
        fill(image, geometry.bars[i].upload, upload.get());
    }
    {
        SelectionGuard pen_selection = select_into(image, pen.get());
        line(image, geometry.plot.left, geometry.plot.right, geometry.plot.top);
        line(image, geometry.plot.left, geometry.plot.right, geometry.plot.bottom);
    }
    if (texts.selected >= 0 && texts.selected < geometry.bar_count) {
        const ChartRect& slot = geometry.bars[texts.selected].slot;
        const RECT frame{slot.left, slot.top, slot.right, slot.bottom + 1};
        FrameRect(image, &frame, text.get());
    }

    SelectionGuard font_selection = select_into(image, font);
    SetBkMode(image, TRANSPARENT);
    SetTextColor(image, colors.text_labels);
    SetTextAlign(image, TA_LEFT | TA_TOP);
    TextOutA(image, geometry.scale_label_left, geometry.scale_label_top, texts.scale,
             static_cast<int>(std::strlen(texts.scale)));
    SetTextAlign(image, TA_CENTER | TA_TOP);
    for (int i = 0; i < geometry.bar_count; ++i) {
        if (!texts.bars[i].labelled) continue;
        const char* label = texts.bar_labels[i];
        TextOutA(image, geometry.bars[i].label_centre, geometry.bar_label_top, label,
                 static_cast<int>(strnlen(label, sizeof texts.bar_labels[i])));
    }
    if (texts.focused) {
        SetTextColor(image, colors.text_labels);
        SetBkColor(image, colors.background);
        const RECT whole{0, 0, geometry.width, geometry.height};
        DrawFocusRect(image, &whole);
    }
    BitBlt(target, 0, 0, geometry.width, geometry.height, image, 0, 0, SRCCOPY);
}
