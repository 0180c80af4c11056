// The orderly ends of a run, and the system's sleep: what is written, in which
// order, within the few seconds the platform allows.
#pragma once

#include <windows.h>

// The run's start, in the Main window's creation: the save worker starts, and
// the run may end once.
void begin_run();

// Every orderly end, of the window, of the logon or at an installer's
// request, once however often it is asked for: sampling and the router's
// polls stop; the save worker is let go, its write in flight never landing
// over what follows; the counts and then the settings are written, unless a
// reset turned that off; the icon goes; the exports still waiting are written. All of it, the wait
// for the worker's write included, shares one budget, which also bounds each
// wait for a file another program holds.
void end_run(HWND window);

// "Reset Config and Exit...", once confirmed: nothing may be writing when the
// files go, and nothing is written after.
void delete_saved_state();

// PBT_APMSUSPEND: the counts up to this moment, saved before the system
// sleeps; and a reading at once when it wakes.
void before_sleep();
void after_sleep();
