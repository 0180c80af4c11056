#include "app/notification_icon.h"

#include <shellapi.h>

#include <cstdio>

#include "app/app.h"
#include "app/modal.h"
#include "monitor/traffic_graph.h"
#include "resources/resource.h"

NOTIFYICONDATAA notify_icon_data;

namespace {

constexpr DWORD animation_ms = 100;

void toggle_main_window() {
    if (IsWindowVisible(main_window)) {
        AnimateWindow(main_window, animation_ms, AW_HIDE | AW_CENTER);
        return;
    }
    SetForegroundWindow(main_window);
    AnimateWindow(main_window, animation_ms, AW_CENTER);
    // Shows at once the samples taken while hidden.
    InvalidateRect(main_window, nullptr, FALSE);
    UpdateWindow(main_window);
}

// Bottom-aligned at the pointer; WM_NULL lets the menu close when the user
// clicks elsewhere. While a modal window is open, that window comes first.
void open_icon_menu() {
    if (open_modal_windows > 0) {
        bring_modal_window_to_front();
        return;
    }
    HMENU menu = LoadMenuA(instance, MAKEINTRESOURCEA(IDM_MAIN_MENU));
    if (!menu) return;
    HMENU submenu = GetSubMenu(menu, 0);
    SetForegroundWindow(main_window);
    POINT pointer;
    if (GetCursorPos(&pointer))
        TrackPopupMenu(submenu, TPM_BOTTOMALIGN | TPM_RIGHTBUTTON, pointer.x, pointer.y, 0, main_window,
                       nullptr);
    PostMessageA(main_window, WM_NULL, 0, 0);
    DestroyMenu(menu);
}

// The icon at the small-icon size of the system's DPI, which the taskbar
// uses, rather than the large one scaled down; owned from add to remove.
HICON small_icon = nullptr;

void free_small_icon() {
    if (small_icon) DestroyIcon(small_icon);
    small_icon = nullptr;
}

}  // namespace

void add_notification_icon() {
    free_small_icon();
    small_icon =
        static_cast<HICON>(LoadImageA(instance, MAKEINTRESOURCEA(IDI_MAIN), IMAGE_ICON,
                                      GetSystemMetrics(SM_CXSMICON), GetSystemMetrics(SM_CYSMICON), 0));
    ZeroMemory(&notify_icon_data, sizeof notify_icon_data);
    notify_icon_data.cbSize = sizeof notify_icon_data;
    notify_icon_data.hWnd = main_window;
    notify_icon_data.uID = 0;
    notify_icon_data.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
    notify_icon_data.uCallbackMessage = WM_USER;
    notify_icon_data.hIcon = small_icon;
    std::snprintf(notify_icon_data.szTip, sizeof notify_icon_data.szTip, "%s", "mivrel");
    Shell_NotifyIconA(NIM_ADD, &notify_icon_data);
}

void refresh_notification_tip() {
    char text[512];
    std::snprintf(text, sizeof text, "mivrel\n%s\n%s", traffic_graph.download_label,
                  traffic_graph.upload_label);
    notify_icon_data.uFlags = NIF_MESSAGE | NIF_TIP;
    std::snprintf(notify_icon_data.szTip, sizeof notify_icon_data.szTip, "%s", text);
    Shell_NotifyIconA(NIM_MODIFY, &notify_icon_data);
}

void remove_notification_icon() {
    Shell_NotifyIconA(NIM_DELETE, &notify_icon_data);
    free_small_icon();
}

void on_notification_icon(LPARAM event) {
    if (event == WM_LBUTTONUP)
        toggle_main_window();
    else if (event == WM_RBUTTONUP)
        open_icon_menu();
}
