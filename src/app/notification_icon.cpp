#include "app/notification_icon.h"

#include <shellapi.h>
#include <windowsx.h>

#include <cstdio>
#include <cstring>

#include "app/app.h"
#include "app/modal.h"
#include "app/program_icon.h"
#include "monitor/clock.h"
#include "resources/resource.h"

NOTIFYICONDATAA notify_icon_data;

namespace {

// With version 4's events the taskbar shows the tooltip only when each add
// and change asks for it.
BOOL call_shell(DWORD message, NOTIFYICONDATAA* data) {
    if (message != NIM_ADD && message != NIM_MODIFY) return Shell_NotifyIconA(message, data);
    NOTIFYICONDATAA sent = *data;
    sent.uFlags |= NIF_SHOWTIP;
    return Shell_NotifyIconA(message, &sent);
}

}  // namespace

ShellNotifyIcon shell_notify_icon = call_shell;
IconClock icon_clock = monotonic_ns;

namespace {

bool icon_shown = false;
// The taskbar took version 4: keys on the icon come as their own events, a
// right click as WM_CONTEXTMENU too, and each event carries the icon's place.
bool icon_version_4 = false;
// When the shell last took the icon or a change of it.
std::int64_t icon_checked_ns = 0;
// What the icon is to show: its picture (null: the program's icon) and tooltip.
HICON shown_image = nullptr;
char shown_tip[sizeof notify_icon_data.szTip] = "mivrel";

// The shell sends down, up, double click, up for a double click: the release
// that ends it would undo the first click's toggle. A press starts anew.
bool double_click_pending = false;

constexpr DWORD animation_ms = 100;

// Bottom-aligned at `at` (none: no menu); WM_NULL lets the menu close when the
// user clicks elsewhere, and the focus goes back to the icon, where a keyboard
// user was. While a modal window is open, that window comes first.
void open_icon_menu(const POINT* at) {
    // A key press may be reported twice: the second comes while the menu is open.
    static bool open = false;
    if (open) return;
    if (open_modal_windows > 0) {
        bring_modal_window_to_front();
        return;
    }
    HMENU menu = LoadMenuA(instance, MAKEINTRESOURCEA(IDM_MAIN_MENU));
    if (!menu) return;
    open = true;
    SetForegroundWindow(main_window);
    if (at)
        TrackPopupMenu(GetSubMenu(menu, 0), TPM_BOTTOMALIGN | TPM_RIGHTBUTTON, at->x, at->y, 0, main_window,
                       nullptr);
    PostMessageA(main_window, WM_NULL, 0, 0);
    DestroyMenu(menu);
    open = false;
    shell_notify_icon(NIM_SETFOCUS, &notify_icon_data);
}

void open_menu_at_pointer() {
    POINT pointer;
    open_icon_menu(GetCursorPos(&pointer) ? &pointer : nullptr);
}

}  // namespace

// Hidden only where the icon can bring it back.
void toggle_main_window() {
    if (!IsWindowVisible(main_window)) {
        show_main_window();
        return;
    }
    if (icon_shown) AnimateWindow(main_window, animation_ms, AW_HIDE | AW_CENTER);
}

void show_main_window() {
    SetForegroundWindow(main_window);
    AnimateWindow(main_window, animation_ms, AW_CENTER);
    // Shows at once the samples taken while hidden.
    InvalidateRect(main_window, nullptr, FALSE);
    UpdateWindow(main_window);
}

void add_notification_icon() {
    ZeroMemory(&notify_icon_data, sizeof notify_icon_data);
    notify_icon_data.cbSize = sizeof notify_icon_data;
    notify_icon_data.hWnd = main_window;
    notify_icon_data.uID = 0;
    notify_icon_data.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
    notify_icon_data.uCallbackMessage = WM_USER;
    notify_icon_data.hIcon = shown_image ? shown_image : program_icon();
    std::snprintf(notify_icon_data.szTip, sizeof notify_icon_data.szTip, "%s", "mivrel");
    double_click_pending = false;
    // An add that timed out may still have put the icon there, and then only a
    // modify of the same record is accepted.
    icon_shown =
        shell_notify_icon(NIM_ADD, &notify_icon_data) || shell_notify_icon(NIM_MODIFY, &notify_icon_data);
    icon_checked_ns = icon_clock();
    NOTIFYICONDATAA version = notify_icon_data;
    version.uVersion = NOTIFYICON_VERSION_4;
    icon_version_4 = icon_shown && shell_notify_icon(NIM_SETVERSION, &version);
}

void keep_notification_tip(const char* text) {
    std::snprintf(shown_tip, sizeof shown_tip, "%s", text);
}

// szTip holds what the taskbar shows; the same text again is not sent, but
// the icon is still checked for now and then.
void set_notification_tip(const char* text) {
    keep_notification_tip(text);
    const char* tip = shown_tip;
    // A refused modify means the icon is gone (the taskbar restarted without
    // telling us): it is added again, and the rates sent to the new one.
    for (int attempt = 0; attempt < 2; ++attempt) {
        if (!icon_shown) add_notification_icon();
        if (!icon_shown) return;
        const std::int64_t now = icon_clock();
        const bool same_tip = std::strcmp(tip, notify_icon_data.szTip) == 0;
        if (same_tip && now - icon_checked_ns < icon_check_interval_ns) return;
        notify_icon_data.uFlags = same_tip ? NIF_MESSAGE : NIF_MESSAGE | NIF_TIP;
        std::memcpy(notify_icon_data.szTip, tip, sizeof shown_tip);
        if (shell_notify_icon(NIM_MODIFY, &notify_icon_data)) {
            icon_checked_ns = now;
            return;
        }
        icon_shown = false;
    }
}

// A new tooltip goes in the same call: each call is a round trip to the
// shell's process. A refused modify means the icon is gone; the tooltip's
// refresh adds it again.
void show_notification_image(HICON icon) {
    shown_image = icon;
    notify_icon_data.hIcon = icon ? icon : program_icon();
    if (!icon_shown) return;
    notify_icon_data.uFlags = NIF_ICON;
    if (std::strcmp(shown_tip, notify_icon_data.szTip) != 0) {
        notify_icon_data.uFlags |= NIF_MESSAGE | NIF_TIP;
        std::memcpy(notify_icon_data.szTip, shown_tip, sizeof shown_tip);
    }
    if (shell_notify_icon(NIM_MODIFY, &notify_icon_data))
        icon_checked_ns = icon_clock();
    else
        icon_shown = false;
}

void remove_notification_icon() {
    shell_notify_icon(NIM_DELETE, &notify_icon_data);
    icon_shown = false;
    shown_image = nullptr;
}

// A copy of the record, so that the balloon is not sent again with the next tooltip.
bool show_notification_balloon(const char* text) {
    if (!icon_shown) return false;
    NOTIFYICONDATAA balloon = notify_icon_data;
    balloon.uFlags = NIF_INFO;
    std::snprintf(balloon.szInfoTitle, sizeof balloon.szInfoTitle, "%s", "mivrel");
    std::snprintf(balloon.szInfo, sizeof balloon.szInfo, "%s", text);
    balloon.dwInfoFlags = NIIF_WARNING;
    return shell_notify_icon(NIM_MODIFY, &balloon) != FALSE;
}

bool notification_icon_shown() {
    return icon_shown;
}

void on_notification_icon(WPARAM anchor, LPARAM event) {
    switch (LOWORD(event)) {
        case WM_LBUTTONDOWN:
            double_click_pending = false;
            break;
        case WM_LBUTTONDBLCLK:
            double_click_pending = true;
            break;
        case WM_LBUTTONUP:
            if (double_click_pending)
                double_click_pending = false;
            else
                toggle_main_window();
            break;
        case WM_RBUTTONUP:
            if (!icon_version_4) open_menu_at_pointer();
            break;
        // The menu key or a right click, and Enter or Space on the icon:
        // the menu, where its default item shows or hides the graph.
        case WM_CONTEXTMENU:
        case NIN_KEYSELECT:
            if (icon_version_4) {
                const POINT at{GET_X_LPARAM(anchor), GET_Y_LPARAM(anchor)};
                open_icon_menu(&at);
            }
            break;
        case NIN_BALLOONUSERCLICK:
            PostMessageA(main_window, WM_COMMAND, IDM_USAGE, 0);
            break;
        default:
            break;
    }
}
