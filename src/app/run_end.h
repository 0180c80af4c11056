// The orderly ends of a run, and the system's sleep: what is written, in which
// order, within the few seconds the platform allows.
#pragma once

#include <windows.h>

// Every orderly end, of the window or of the logon: sampling and the router's
// polls stop; the save worker is stopped, so that nothing older lands after
// the final saves; the counts and then the settings are written, unless a
// reset turned that off, sharing one wait for a file another program holds;
// the icon goes.
void end_run(HWND window);

// "Reset Config and Exit...", once confirmed: nothing may be writing when the
// files go, and nothing is written after.
void delete_saved_state();

// PBT_APMSUSPEND: the counts up to this moment, saved before the system
// sleeps; and a reading at once when it wakes.
void before_sleep();
void after_sleep();
