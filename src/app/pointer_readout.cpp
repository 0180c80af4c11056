#include "app/pointer_readout.h"

#include <commctrl.h>

#include <cstring>

#include "app/app.h"
#include "dpi.h"
#include "monitor/traffic_graph.h"

PointerReadout pointer_readout;

namespace {

// At 96 DPI: clear of the arrow, which hangs down and right of its hot spot.
constexpr int pointer_offset_x = 16;
constexpr int pointer_offset_y = 20;
// Wide enough for the longest line: the text's own line breaks decide.
constexpr int tip_max_width = 400;

TTTOOLINFOA readout_tool(HWND window) {
    TTTOOLINFOA tool{};
    // The size every version of the control takes.
    tool.cbSize = TTTOOLINFOA_V2_SIZE;
    // Tracked, put exactly where asked, and never in the way of the pointer's clicks.
    tool.uFlags = TTF_TRACK | TTF_ABSOLUTE | TTF_TRANSPARENT;
    tool.hwnd = window;
    tool.uId = 1;
    tool.lpszText = pointer_readout.text;
    return tool;
}

void hide() {
    if (!pointer_readout.shown) return;
    TTTOOLINFOA tool = readout_tool(main_window);
    SendMessageA(pointer_readout.tip, TTM_TRACKACTIVATE, FALSE, reinterpret_cast<LPARAM>(&tool));
    pointer_readout.shown = false;
}

ScreenArea work_area_at(POINT point) {
    MONITORINFO monitor{};
    monitor.cbSize = sizeof monitor;
    GetMonitorInfoA(MonitorFromPoint(point, MONITOR_DEFAULTTONEAREST), &monitor);
    return {monitor.rcWork.left, monitor.rcWork.top, monitor.rcWork.right, monitor.rcWork.bottom};
}

// Only what changed is sent: every move of the tip makes the platform send the
// window under the pointer another mouse move.
void show_at(HWND window, POINT client) {
    if (!pointer_readout.tip) return;
    char text[readout_text_size];
    const std::int64_t period = sample_timer_period(traffic_graph.delay);
    if (!readout_text(traffic_graph, client.x, period, text)) {
        hide();
        return;
    }
    TTTOOLINFOA tool = readout_tool(window);
    if (std::strcmp(text, pointer_readout.text) != 0) {
        std::memcpy(pointer_readout.text, text, sizeof text);
        SendMessageA(pointer_readout.tip, TTM_UPDATETIPTEXTA, 0, reinterpret_cast<LPARAM>(&tool));
    }
    POINT pointer = client;
    ClientToScreen(window, &pointer);
    const LRESULT size =
        SendMessageA(pointer_readout.tip, TTM_GETBUBBLESIZE, 0, reinterpret_cast<LPARAM>(&tool));
    const ScreenPoint origin = readout_origin(
        {pointer.x, pointer.y}, LOWORD(size), HIWORD(size), scale_to_dpi(pointer_offset_x, traffic_graph.dpi),
        scale_to_dpi(pointer_offset_y, traffic_graph.dpi), work_area_at(pointer));
    if (!pointer_readout.shown || origin.x != pointer_readout.origin.x ||
        origin.y != pointer_readout.origin.y) {
        pointer_readout.origin = {origin.x, origin.y};
        SendMessageA(pointer_readout.tip, TTM_TRACKPOSITION, 0, MAKELPARAM(origin.x, origin.y));
    }
    if (!pointer_readout.shown) {
        SendMessageA(pointer_readout.tip, TTM_TRACKACTIVATE, TRUE, reinterpret_cast<LPARAM>(&tool));
        pointer_readout.shown = true;
    }
}

}  // namespace

// The tooltip class is registered with the dialogs' controls, before the window exists.
void create_pointer_readout(HWND window) {
    pointer_readout = PointerReadout{};
    pointer_readout.tip =
        CreateWindowExA(WS_EX_TOPMOST, TOOLTIPS_CLASSA, nullptr, WS_POPUP | TTS_NOPREFIX | TTS_ALWAYSTIP,
                        CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, window, nullptr,
                        reinterpret_cast<HINSTANCE>(GetWindowLongPtrA(window, GWLP_HINSTANCE)), nullptr);
    if (!pointer_readout.tip) return;
    TTTOOLINFOA tool = readout_tool(window);
    SendMessageA(pointer_readout.tip, TTM_ADDTOOLA, 0, reinterpret_cast<LPARAM>(&tool));
    SendMessageA(pointer_readout.tip, TTM_SETMAXTIPWIDTH, 0, scale_to_dpi(tip_max_width, traffic_graph.dpi));
}

void destroy_pointer_readout() {
    // Its owner's destruction may have taken it already.
    if (pointer_readout.tip && IsWindow(pointer_readout.tip)) DestroyWindow(pointer_readout.tip);
    pointer_readout = PointerReadout{};
}

void pointer_readout_moved(HWND window, int x, int y) {
    if (!pointer_readout.tracking) {
        TRACKMOUSEEVENT leave{};
        leave.cbSize = sizeof leave;
        leave.dwFlags = TME_LEAVE;
        leave.hwndTrack = window;
        pointer_readout.tracking = TrackMouseEvent(&leave) != FALSE;
    }
    show_at(window, POINT{x, y});
}

void pointer_readout_left() {
    pointer_readout.tracking = false;
    hide();
}

void refresh_pointer_readout(HWND window) {
    if (!pointer_readout.shown && !pointer_readout.tracking) return;
    POINT pointer{};
    GetCursorPos(&pointer);
    // A menu, a dialog or another window may lie over the graph by now.
    if (!IsWindowVisible(window) || WindowFromPoint(pointer) != window) {
        pointer_readout_left();
        return;
    }
    ScreenToClient(window, &pointer);
    show_at(window, pointer);
}
