// One mivrel per logon session: a second start brings the running copy's
// window into view and ends, without touching any file.
#pragma once

#include <windows.h>

// True when this start is the session's one copy (or cannot tell), which then
// holds the claim until the process ends. False when another copy runs: it has
// been asked to come into view, and this start should end.
bool claim_one_copy(HINSTANCE module);

// Whether `message` is a second start's request to come into view.
bool is_show_request(UINT message);

// Shows the Main window when hidden and brings it to the front; while a dialog
// or message box of ours is open, that comes to the front instead.
void bring_into_view();
