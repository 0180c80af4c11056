// The icon in the taskbar's notification area: rates in its tooltip, a left
// click hides and shows the window, a right click opens the menu.
#pragma once

#include <windows.h>

extern NOTIFYICONDATAA notify_icon_data;

void add_notification_icon();
void refresh_notification_tip();
void remove_notification_icon();
// `event` is the mouse message that happened over the icon.
void on_notification_icon(LPARAM event);
