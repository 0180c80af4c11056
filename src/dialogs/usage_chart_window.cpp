#include "dialogs/usage_chart_window.h"

#include <algorithm>

#include "app/app.h"
#include "app/window_dpi.h"
#include "dialogs/usage_chart_accessible.h"
#include "dialogs/usage_view.h"
#include "graph/usage_chart_win.h"
#include "monitor/traffic_graph.h"

namespace {

constexpr char chart_class[] = "MivrelUsageChart";

HFONT dialog_font(HWND chart) {
    return reinterpret_cast<HFONT>(SendMessageA(GetParent(chart), WM_GETFONT, 0, 0));
}

UsageChartGeometry chart_geometry(HWND chart) {
    RECT client{};
    GetClientRect(chart, &client);
    HDC dc = GetDC(chart);
    HGDIOBJ previous = SelectObject(dc, dialog_font(chart));
    TEXTMETRICA metrics{};
    GetTextMetricsA(dc, &metrics);
    SelectObject(dc, previous);
    ReleaseDC(chart, dc);
    return usage_chart_geometry(client.right, client.bottom, window_dpi(chart), metrics.tmHeight,
                                usage_view.bars, usage_view.bar_count);
}

// The parent tells the chosen bar's totals, and a screen reader its day.
void select_bar(HWND chart, int bar) {
    if (bar == usage_view.selected) return;
    usage_view.selected = bar;
    SendMessageA(GetParent(chart), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(chart), usage_chart_selected),
                 reinterpret_cast<LPARAM>(chart));
    InvalidateRect(chart, nullptr, FALSE);
    announce_chosen_bar(chart);
}

LRESULT on_chart_paint(HWND chart) {
    PAINTSTRUCT paint;
    HDC target = BeginPaint(chart, &paint);
    const UsageChartGeometry geometry = chart_geometry(chart);
    char scale[16];
    format_usage_count(scale, geometry.top_value);
    const UsageChartTexts texts{scale, usage_view.bar_labels, usage_view.bars, usage_view.selected,
                                GetFocus() == chart};
    paint_usage_chart(target, geometry, texts, shown_palette(traffic_graph.colors, traffic_graph.contrast),
                      dialog_font(chart));
    EndPaint(chart, &paint);
    return 0;
}

LRESULT on_chart_mousemove(HWND chart, int x) {
    TRACKMOUSEEVENT leave{sizeof leave, TME_LEAVE, chart, 0};
    TrackMouseEvent(&leave);
    select_bar(chart, usage_chart_bar_at(chart_geometry(chart), x));
    return 0;
}

LRESULT on_chart_keydown(HWND chart, WPARAM key) {
    const int last = usage_view.bar_count - 1;
    const int at = usage_view.selected < 0 ? last : usage_view.selected;
    if (key == VK_LEFT) select_bar(chart, std::max(at - 1, 0));
    if (key == VK_RIGHT) select_bar(chart, std::min(at + 1, last));
    if (key == VK_HOME) select_bar(chart, 0);
    if (key == VK_END) select_bar(chart, last);
    return 0;
}

LRESULT on_chart_focus(HWND chart, bool gained) {
    if (gained && usage_view.selected < 0) select_bar(chart, usage_view.bar_count - 1);
    InvalidateRect(chart, nullptr, FALSE);
    return 0;
}

LRESULT CALLBACK chart_proc(HWND chart, UINT message, WPARAM wparam, LPARAM lparam) {
    switch (message) {
        case WM_PAINT:
            return on_chart_paint(chart);
        case WM_ERASEBKGND:
            return 1;
        case WM_GETDLGCODE:
            return DLGC_WANTARROWS;
        case WM_MOUSEMOVE:
            return on_chart_mousemove(chart, static_cast<short>(LOWORD(lparam)));
        case WM_MOUSELEAVE:
            if (GetFocus() != chart) select_bar(chart, -1);
            return 0;
        case WM_LBUTTONDOWN:
            SetFocus(chart);
            return 0;
        case WM_KEYDOWN:
            return on_chart_keydown(chart, wparam);
        case WM_SETFOCUS:
            return on_chart_focus(chart, true);
        case WM_KILLFOCUS:
            return on_chart_focus(chart, false);
        case WM_GETOBJECT:
            return answer_chart_request(chart, wparam, lparam, chart_geometry);
        case WM_DESTROY:
            end_chart_accessible(chart);
            return 0;
        default:
            return DefWindowProcA(chart, message, wparam, lparam);
    }
}

}  // namespace

void register_usage_chart() {
    WNDCLASSEXA chart{};
    chart.cbSize = sizeof chart;
    if (GetClassInfoExA(instance, chart_class, &chart)) return;
    chart.style = CS_HREDRAW | CS_VREDRAW;
    chart.lpfnWndProc = chart_proc;
    chart.hInstance = instance;
    chart.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    chart.lpszClassName = chart_class;
    RegisterClassExA(&chart);
}
