// The DPI of the screen a window is on.
#pragma once

#include <windows.h>

// Per monitor where the system tells (Windows 10 version 1607 on), the
// system's DPI elsewhere.
int platform_window_dpi(HWND window);

// What the Main window reads it with: a test puts a stand-in here to play
// screens of other scales, which Wine does not have.
extern int (*window_dpi)(HWND window);
