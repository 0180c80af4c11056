// The value under the pointer: a tooltip beside it naming the age and the two
// rates of the graph column it rests on.
#pragma once

#include <windows.h>

#include "graph/pointer_readout.h"

struct PointerReadout {
    HWND tip;       // the tooltip control, owned by the Main window
    bool tracking;  // a leave notice has been asked for
    bool shown;
    POINT origin;                  // where the tip was last put, in screen pixels
    char text[readout_text_size];  // what the tip says
};

extern PointerReadout pointer_readout;

void create_pointer_readout(HWND window);
void destroy_pointer_readout();

// The pointer moved to client point (x, y) of the Main window.
void pointer_readout_moved(HWND window, int x, int y);
// The pointer left the window, or is about to do something else there (a drag,
// a menu), or the window hid.
void pointer_readout_left();
// After a tick: the graph moved under a pointer that may not have.
void refresh_pointer_readout(HWND window);
