// The program's run: the Main window's class and the window itself, shown as
// the start command asks, and the message loop.
#pragma once

#include <windows.h>

// Loads the texts, registers the class and creates the Main window; null when
// no window could be made.
HWND create_main_window(HINSTANCE module);

// The message loop; gives the exit code that the loop ended with.
int run_message_loop();

// WinMain's work: create, show and paint the Main window, then run the loop.
// 0 when no window could be made.
int run_program(HINSTANCE module, int show_command);
