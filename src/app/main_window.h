// The Main window's procedure: one small handler per message.
#pragma once

#include <windows.h>

LRESULT CALLBACK main_window_proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam);

// Starts the sample timer with the traffic graph's delay, or restarts it. No
// delay, however small or negative, stops the ticks: one below the platform's
// shortest period ticks at that period.
void start_sample_timer(HWND window);
