// One mivrel per user and logon session: a second start brings the running
// copy's window into view and ends, without touching any file.
#pragma once

#include <windows.h>

// What a start does after creating the one-copy mutex, from whether a handle
// came back and the last error: `run` holds the claim (or cannot tell, and runs
// unguarded); `ask_running_copy` asks this user's copy to come into view;
// `ask_elevated_copy` does the same for this user's copy run as administrator,
// the only one whose mutex this start may not open, and never runs.
enum class OneCopyAction { run, ask_running_copy, ask_elevated_copy };
OneCopyAction one_copy_action(bool got_handle, DWORD error);

// True when this start is the user's one copy in this session (or cannot
// tell), which then holds the claim until the process ends. False when another
// copy of the user's runs: it has been asked to come into view (or, run as
// administrator and out of reach, the user has been told), and this start
// should end.
bool claim_one_copy(HINSTANCE module);

// Lets a second start's request through to `window` when this copy runs as
// administrator and the second one does not.
void allow_show_request(HWND window);

// Whether `message` is a second start's request to come into view.
bool is_show_request(UINT message);

// Shows the Main window when hidden and brings it to the front; while a dialog
// or message box of ours is open, that comes to the front instead.
void bring_into_view();
