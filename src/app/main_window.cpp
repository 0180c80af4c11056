// The Main window: a borderless, resizable tool window showing the graph.
#include "app/main_window.h"

#include <windows.h>

#include <windowsx.h>

#include <utility>

#include "app/app.h"
#include "app/apply_settings.h"
#include "app/data_plan_watch.h"
#include "app/export_notice.h"
#include "app/file_watch.h"
#include "app/graph_accessible.h"
#include "app/high_contrast.h"
#include "app/live_icon.h"
#include "app/main_menu.h"
#include "app/menu_commands.h"
#include "app/notification_area.h"
#include "app/notification_icon.h"
#include "app/one_copy.h"
#include "app/pointer_readout.h"
#include "app/router_readings.h"
#include "app/run_end.h"
#include "app/show_at_start.h"
#include "app/start_with_windows.h"
#include "app/update_restart.h"
#include "app/window_dpi.h"
#include "app/window_options.h"
#include "app/window_placement.h"
#include "dialogs/history_export.h"
#include "dpi.h"
#include "graph/paint_graph_win.h"
#include "monitor/clock.h"
#include "monitor/traffic_graph.h"
#include "resources/resource.h"
#include "settings/settings.h"
#include "settings/usage_keeping.h"

namespace {

// At 96 DPI; the user cannot drag the window smaller.
constexpr int minimum_track_width = 155;
constexpr int minimum_track_height = 36;

// Left- and top-aligned at the point; the command comes back as WM_COMMAND.
void track_context_menu(int x, int y) {
    HMENU menu = LoadMenuA(instance, MAKEINTRESOURCEA(IDM_MAIN_MENU));
    if (!menu) return;
    TrackPopupMenu(GetSubMenu(menu, 0), TPM_RIGHTBUTTON, x, y, 0, main_window, nullptr);
    DestroyMenu(menu);
}

LRESULT on_create(HWND window) {
    main_window = window;
    if (start_show(std::exchange(start_command, SW_SHOWNORMAL)) == StartShow::hidden) hide_at_start(window);
    // Needs no setting, and a first run's dialogs may keep load_settings open for long.
    repair_start_with_windows();
    // Before the settings place the window: default sizes scale with the screen.
    set_graph_dpi(traffic_graph, window_dpi(window));
    // Before the settings load: the first reading's counts go to it.
    begin_run();
    register_update_restart();
    load_settings();
    start_data_plan_watch();
    start_router_polls(window);
    // The settings may have placed the window on a screen of another scale,
    // and nothing promises a WM_DPICHANGED during that move.
    const int placed_dpi = window_dpi(window);
    if (placed_dpi != traffic_graph.dpi) set_graph_dpi(traffic_graph, placed_dpi);
    follow_high_contrast();
    add_notification_icon();
    create_pointer_readout(window);
    start_sample_timer(window);
    SetProcessWorkingSetSize(GetCurrentProcess(), static_cast<SIZE_T>(-1), static_cast<SIZE_T>(-1));
    taskbar_created_message = RegisterWindowMessageA("TaskbarCreated");
    // Run elevated, the window would not hear the taskbar's (lower) process otherwise.
    if (taskbar_created_message != 0)
        ChangeWindowMessageFilterEx(window, taskbar_created_message, MSGFLT_ALLOW, nullptr);
    allow_show_request(window);
    return 0;
}

LRESULT on_destroy(HWND window) {
    end_graph_accessible(window);
    end_run(window);
    destroy_pointer_readout();
    end_high_contrast();
    PostQuitMessage(0);
    return 0;
}

// Only a logon end that goes ahead (TRUE, exactly 1). At a logoff the platform
// ends the process after a few seconds; an installer waits for it to close.
LRESULT on_endsession(HWND window, WPARAM ending, LPARAM reason) {
    if (ending != TRUE) return 0;
    end_run(window);
    if (closes_application(reason)) DestroyWindow(window);
    return 0;
}

LRESULT on_powerbroadcast(WPARAM event) {
    if (event == PBT_APMSUSPEND) before_sleep();
    if (event == PBT_APMRESUMEAUTOMATIC || event == PBT_APMRESUMESUSPEND) after_sleep();
    return TRUE;
}

LRESULT on_size(int width, int height) {
    resize_graph(traffic_graph, static_cast<std::uint16_t>(width), static_cast<std::uint16_t>(height));
    return 0;
}

LRESULT on_paint(HWND window) {
    PAINTSTRUCT paint;
    HDC target = BeginPaint(window, &paint);
    paint_graph(traffic_graph, target);
    EndPaint(window, &paint);
    return 0;
}

// Into a memory image, for AnimateWindow's frames.
LRESULT on_printclient(HDC target) {
    paint_graph(traffic_graph, target);
    return 0;
}

LRESULT on_getminmaxinfo(HWND window, MINMAXINFO* limits) {
    limit_maximised_to_its_monitor(window, *limits);
    limits->ptMinTrackSize.x = scale_to_dpi(minimum_track_width, traffic_graph.dpi);
    limits->ptMinTrackSize.y = scale_to_dpi(minimum_track_height, traffic_graph.dpi);
    return 0;
}

// After the default handling, which applies the size limits.
LRESULT on_windowposchanging(HWND window, WINDOWPOS* position) {
    const LRESULT result =
        DefWindowProcA(window, WM_WINDOWPOSCHANGING, 0, reinterpret_cast<LPARAM>(position));
    keep_maximised_in_work_area(window, *position);
    return result;
}

// The window went to a screen of another scale: the graph is drawn for the new
// DPI (from the next paint on) in the place and size the system suggests. A
// place the settings chose is already in that screen's pixels.
LRESULT on_dpichanged(HWND window, int dpi, const RECT& suggested) {
    set_graph_dpi(traffic_graph, dpi);
    notification_icon_metrics_changed();
    if (placing_window) {
        InvalidateRect(window, nullptr, FALSE);
        return 0;
    }
    SetWindowPos(window, nullptr, suggested.left, suggested.top, suggested.right - suggested.left,
                 suggested.bottom - suggested.top, SWP_NOZORDER | SWP_NOACTIVATE);
    InvalidateRect(window, nullptr, FALSE);
    return 0;
}

LRESULT on_contextmenu(HWND window, int x, int y) {
    pointer_readout_left();
    RECT outer{};
    GetWindowRect(window, &outer);
    const POINT corner = context_menu_point(x, y, outer);
    track_context_menu(corner.x, corner.y);
    return 0;
}

LRESULT on_initmenupopup(HMENU menu) {
    prepare_menu_popup(menu);
    return 0;
}

LRESULT on_keydown(HWND window, WPARAM key) {
    if (key == VK_ESCAPE) DestroyWindow(window);
    return 0;
}

// A minimise hides the window: a tool window has no button to come back by,
// so without the icon it stays shown. The low four bits are the platform's own.
LRESULT on_syscommand(HWND window, WPARAM command, LPARAM lparam) {
    if ((command & 0xFFF0) == SC_MINIMIZE) {
        if (notification_icon_shown()) ShowWindow(window, SW_HIDE);
        return 0;
    }
    return DefWindowProcA(window, WM_SYSCOMMAND, command, lparam);
}

LRESULT on_settings_read(HWND window);

LRESULT on_timer(HWND window) {
    sample(traffic_graph);
    keep_usage(monotonic_ns());
    watch_data_plan();
    if (watch_files(monotonic_ns())) on_settings_read(window);
    if (IsWindowVisible(window)) {
        InvalidateRect(window, nullptr, FALSE);
        UpdateWindow(window);
    }
    refresh_notification_area();
    tell_unwritten_exports();
    refresh_pointer_readout(window);
    return 0;
}

// Any point of the graph drags the window, as its (absent) caption would.
LRESULT on_lbuttondown(HWND window) {
    pointer_readout_left();
    SendMessageA(window, WM_NCLBUTTONDOWN, HTCAPTION, 0);
    return 0;
}

LRESULT on_lbuttondblclk(HWND window) {
    ShowWindow(window, IsZoomed(window) ? SW_RESTORE : SW_MAXIMIZE);
    return 0;
}

// Another start of mivrel in this session asks for the running copy.
LRESULT on_show_request() {
    bring_into_view();
    return 0;
}

// A dialog's preview: the graph and the notification area show it at once.
LRESULT on_show_changes(HWND window) {
    InvalidateRect(window, nullptr, FALSE);
    refresh_live_icon();
    refresh_notification_tip();
    return 0;
}

// Settings in effect anew: the timer follows the delay, the data plan is
// looked at again, and the graph and the notification area show them.
LRESULT on_settings_read(HWND window) {
    start_sample_timer(window);
    watch_data_plan();
    return on_show_changes(window);
}

// A dialog's OK: its choices take effect and are kept.
LRESULT on_settings_confirmed(HWND window) {
    keep_confirmed_settings();
    return on_settings_read(window);
}

// The readout is a window of its own: the graph is not painted for it.
LRESULT on_mousemove(HWND window, int x, int y) {
    pointer_readout_moved(window, x, y);
    return 0;
}

LRESULT on_mouseleave() {
    pointer_readout_left();
    return 0;
}

// The taskbar's icon size may follow a change of screens or scaling; high
// contrast may have come or gone, or its colours changed.
LRESULT on_system_change(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    notification_icon_metrics_changed();
    if (message != WM_DISPLAYCHANGE) follow_high_contrast();
    return DefWindowProcA(window, message, wparam, lparam);
}

LRESULT on_showwindow(HWND window, WPARAM shown, LPARAM status) {
    if (!shown) pointer_readout_left();
    return DefWindowProcA(window, WM_SHOWWINDOW, shown, status);
}

}  // namespace

void start_sample_timer(HWND window) {
    KillTimer(window, sample_timer_id);
    SetTimer(window, sample_timer_id, sample_timer_period(traffic_graph.delay), nullptr);
}

LRESULT CALLBACK main_window_proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    switch (message) {
        case WM_CREATE:
            return on_create(window);
        case WM_DESTROY:
            return on_destroy(window);
        case WM_ENDSESSION:
            return on_endsession(window, wparam, lparam);
        case WM_POWERBROADCAST:
            return on_powerbroadcast(wparam);
        case WM_SIZE:
            return on_size(LOWORD(lparam), HIWORD(lparam));
        case WM_PAINT:
            return on_paint(window);
        case WM_GETMINMAXINFO:
            return on_getminmaxinfo(window, reinterpret_cast<MINMAXINFO*>(lparam));
        case WM_WINDOWPOSCHANGING:
            return on_windowposchanging(window, reinterpret_cast<WINDOWPOS*>(lparam));
        case WM_PRINTCLIENT:
            return on_printclient(reinterpret_cast<HDC>(wparam));
        case WM_DPICHANGED:
            return on_dpichanged(window, LOWORD(wparam), *reinterpret_cast<const RECT*>(lparam));
        case WM_CONTEXTMENU:
            return on_contextmenu(window, GET_X_LPARAM(lparam), GET_Y_LPARAM(lparam));
        case WM_INITMENUPOPUP:
            return on_initmenupopup(reinterpret_cast<HMENU>(wparam));
        case WM_KEYDOWN:
            return on_keydown(window, wparam);
        case WM_COMMAND:
            return run_menu_command(window, wparam, lparam);
        case WM_SYSCOMMAND:
            return on_syscommand(window, wparam, lparam);
        case WM_TIMER:
            return on_timer(window);
        case WM_LBUTTONDOWN:
            return on_lbuttondown(window);
        case WM_LBUTTONDBLCLK:
            return on_lbuttondblclk(window);
        case WM_MOUSEMOVE:
            return on_mousemove(window, GET_X_LPARAM(lparam), GET_Y_LPARAM(lparam));
        case WM_MOUSELEAVE:
            return on_mouseleave();
        case WM_SHOWWINDOW:
            return on_showwindow(window, wparam, lparam);
        case WM_GETOBJECT:
            return answer_graph_request(window, wparam, lparam);
        case WM_DISPLAYCHANGE:
        case WM_SETTINGCHANGE:
        case WM_SYSCOLORCHANGE:
            return on_system_change(window, message, wparam, lparam);
        case WM_USER:
            on_notification_icon(wparam, lparam);
            return 0;
        case show_changes_message:
            return on_show_changes(window);
        case settings_confirmed_message:
            return on_settings_confirmed(window);
        case export_done_message:
            report_export(lparam);
            return 0;
        case router_answer_message:
            return on_router_answer(wparam, lparam);
        case router_chosen_message:
            return on_router_chosen();
        default:
            if (is_show_request(message)) return on_show_request();
            // The taskbar was re-created: the icon must be added again.
            if (taskbar_created_message != 0 && message == taskbar_created_message) {
                notification_icon_metrics_changed();
                add_notification_icon();
                return 0;
            }
            return DefWindowProcA(window, message, wparam, lparam);
    }
}
