#include "app/modal.h"

int open_modal_windows = 0;

namespace {

constexpr char dialog_class[] = "#32770";  // dialogs, message boxes and the colour picker alike

BOOL CALLBACK find_enabled_dialog(HWND window, LPARAM found) {
    char name[sizeof dialog_class + 1] = {};
    GetClassNameA(window, name, sizeof name);
    if (lstrcmpA(name, dialog_class) != 0 || !IsWindowVisible(window) || !IsWindowEnabled(window))
        return TRUE;
    *reinterpret_cast<HWND*>(found) = window;
    return FALSE;
}

}  // namespace

void bring_modal_window_to_front() {
    HWND front = nullptr;
    EnumThreadWindows(GetCurrentThreadId(), find_enabled_dialog, reinterpret_cast<LPARAM>(&front));
    if (front) SetForegroundWindow(front);
}
