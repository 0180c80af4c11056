// Process-wide state of the application shell, and the messages its windows
// send the Main window.
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
// The start command, for the creation handler, which takes it once.
extern int start_command;

constexpr UINT_PTR sample_timer_id = 131;

// The sample timer's period for a tick delay: the platform's shortest where the
// delay is shorter.
inline UINT sample_timer_period(std::int32_t delay) {
    return delay < static_cast<std::int32_t>(USER_TIMER_MINIMUM) ? USER_TIMER_MINIMUM
                                                                 : static_cast<UINT>(delay);
}

// Sent to the Main window by a dialog that changed what the graph or the
// notification area shows (a preview): both are brought up to date at once.
constexpr UINT show_changes_message = WM_APP + 10;
// Sent by a dialog's OK: its choices are the user's now. The sample timer
// follows the tick delay, the data plan is looked at again, and the settings
// and the counts are saved.
constexpr UINT settings_confirmed_message = WM_APP + 11;
// Posted by an export's end, from whichever thread wrote it: the Usage window
// that asked for it reports a failure, or the Main window once that has closed.
// lParam carries the outcome (dialogs/history_export.h).
constexpr UINT export_done_message = WM_APP + 12;
// Posted by the router's threads, after each poll and each of the Router
// dialog's requests: wParam names the record lParam points to (RouterAnswer),
// made with new, which the receiver deletes.
constexpr UINT router_answer_message = WM_APP + 13;
// Sent by the Router dialog's OK: router_choice is the user's now. It is kept
// in the settings and polled from now on (Off: the polls end).
constexpr UINT router_chosen_message = WM_APP + 14;
