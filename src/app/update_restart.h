// An installer that must replace files mivrel holds closes it through the
// Restart Manager (WM_QUERYENDSESSION, then WM_ENDSESSION with
// ENDSESSION_CLOSEAPP) and, once done, starts it again: the one restart
// mivrel asks the system for.
#pragma once

#include <windows.h>

// At start: brought back after an update, with no command line; never after
// a crash, a hang or a reboot, which starting with Windows already covers.
void register_update_restart();
constexpr DWORD update_restart_flags = RESTART_NO_CRASH | RESTART_NO_HANG | RESTART_NO_REBOOT;

// Whether a logon end's reason asks this program to close. It is a bit among
// others (a logoff, a critical end).
inline bool closes_application(LPARAM reason) {
    return (reason & ENDSESSION_CLOSEAPP) != 0;
}

// The system's registration, which tests replace: nothing here restarts a
// program, so they look at what it was given instead.
using RestartRegistrar = HRESULT(WINAPI*)(PCWSTR command_line, DWORD flags);
extern RestartRegistrar register_restart;
