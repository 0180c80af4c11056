// The commands of the menu that the window and the notification icon share.
#pragma once

#include <windows.h>

// WM_COMMAND of the Main window: the menu's commands; any other id gets the
// default handling. A command that would open a window while a modal one is
// open brings that one to the front instead.
LRESULT run_menu_command(HWND window, WPARAM wparam, LPARAM lparam);
