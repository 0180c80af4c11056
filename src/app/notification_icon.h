// The icon in the taskbar's notification area, as the shell has it: its
// picture and tooltip, a left click hides and shows the window, a right click
// or a key on it opens the menu, and balloons.
#pragma once

#include <windows.h>

#include <shellapi.h>

#include <cstdint>

extern NOTIFYICONDATAA notify_icon_data;

// A taskbar that is not ready yet (at logon) refuses the add; the next tick
// tries again. A taskbar that restarted without telling us refuses the modify
// of each tick's refresh, which then adds the icon again: the modify is sent
// when the tooltip changes and, on a quiet link, at least every 10 s without it.
void add_notification_icon();
// The tooltip to show from now on, sent when it differs from what the
// taskbar shows (or the icon is due a check); `keep_` only takes it, for the
// next picture to carry along.
void set_notification_tip(const char* text);
void keep_notification_tip(const char* text);
void remove_notification_icon();
// Shows `icon` in place of the program's icon (null: the program's icon
// again), with the tooltip kept last in the same call.
void show_notification_image(HICON icon);
// Whether the taskbar holds the icon, the only way back to a hidden window.
bool notification_icon_shown();
// Shows the hidden Main window in front, as a click on the icon does.
void show_main_window();
// A click on the icon, or the menu's first item: shows the hidden window, or
// hides the shown one while the icon is there to bring it back.
void toggle_main_window();
// A balloon over the icon (title "mivrel"); false when the taskbar refuses it.
bool show_notification_balloon(const char* text);
// The icon's callback message: `event` (its low word) is what happened over
// the icon; with version 4's events `anchor` holds the icon's place on screen,
// where the menu opens.
void on_notification_icon(WPARAM anchor, LPARAM event);

// The shell call behind every operation above; tests make it refuse as a
// taskbar that is not ready does.
using ShellNotifyIcon = BOOL (*)(DWORD message, NOTIFYICONDATAA* data);
extern ShellNotifyIcon shell_notify_icon;

// The clock of the icon's check (the monotonic one), which tests set forward.
using IconClock = std::int64_t (*)();
extern IconClock icon_clock;
constexpr std::int64_t icon_check_interval_ns = 10'000'000'000;
