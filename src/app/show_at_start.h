// A hidden start's first show. Windows hands the command of a shortcut
// (STARTUPINFO) to the process's first ShowWindow call, whatever that call
// asks: a hidden start makes that call itself, so that a "Minimized" command
// never falls on a dialog or message box shown later, which it would hide.
#pragma once

#include <windows.h>

// The platform's show calls, replaceable so that a test can play that rule,
// which Wine does not follow.
struct ShowCalls {
    BOOL(WINAPI* show)(HWND window, int command);
    BOOL(WINAPI* visible)(HWND window);
    BOOL(WINAPI* iconic)(HWND window);
};
extern const ShowCalls platform_show_calls;

// On a hidden start: hides the window, during its creation so that the
// command cannot reach a first run's dialogs, and leaves it hidden and not
// iconic should the rule turn the hiding into a minimise.
void hide_at_start(HWND window, const ShowCalls& calls = platform_show_calls);
