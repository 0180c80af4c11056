// The icon in the taskbar's notification area: rates in its tooltip, a left
// click hides and shows the window, a right click opens the menu.
#pragma once

#include <windows.h>

#include <shellapi.h>

extern NOTIFYICONDATAA notify_icon_data;

// A taskbar that is not ready yet (at logon) refuses the add; the next tick
// tries again, and so does a refresh that finds the icon gone.
void add_notification_icon();
void refresh_notification_tip();
void remove_notification_icon();
// Whether the taskbar holds the icon, the only way back to a hidden window.
bool notification_icon_shown();
// Shows the hidden Main window in front, as a click on the icon does.
void show_main_window();
// A balloon over the icon (title "mivrel"); false when the taskbar refuses it.
bool show_notification_balloon(const char* text);
// `event` is the mouse message that happened over the icon.
void on_notification_icon(LPARAM event);

// The shell call behind every operation above; tests make it refuse as a
// taskbar that is not ready does.
using ShellNotifyIcon = BOOL (*)(DWORD message, NOTIFYICONDATAA* data);
extern ShellNotifyIcon shell_notify_icon;
