// Process-wide state of the application shell.
#pragma once

#include <windows.h>

#include <cstdint>

extern HINSTANCE instance;
extern HWND main_window;
extern char window_title[100];
extern char window_class_name[100];
extern UINT taskbar_created_message;
// Cleared only by "Reset Config and Exit...", so that closing writes nothing back.
extern BYTE save_on_exit;

constexpr UINT_PTR sample_timer_id = 131;

// The sample timer's period for a tick delay: the platform's shortest where the
// delay is shorter.
inline UINT sample_timer_period(std::int32_t delay) {
    return delay < static_cast<std::int32_t>(USER_TIMER_MINIMUM) ? USER_TIMER_MINIMUM
                                                                 : static_cast<UINT>(delay);
}

// Starts the sample timer with the traffic graph's delay, or restarts it. No
// delay, however small or negative, stops the ticks: one below the platform's
// shortest period ticks at that period.
void start_sample_timer(HWND window);

// Loads the texts, registers the class and creates the Main window; null when
// no window could be made.
HWND create_main_window(HINSTANCE module);

// The message loop; gives the exit code that the loop ended with.
int run_message_loop();

// WinMain's work: create, show and paint the Main window, then run the loop.
// 0 when no window could be made.
int run_program(HINSTANCE module, int show_command);

LRESULT CALLBACK main_window_proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam);
