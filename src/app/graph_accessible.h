// The graph window for screen readers: named "mivrel", its value the two
// rates as the labels show them, read when asked. No event follows the
// ticks: a screen reader would speak without end.
#pragma once

#include <windows.h>

// WM_GETOBJECT of the Main window.
LRESULT answer_graph_request(HWND window, WPARAM flags, LPARAM object_id);
// WM_DESTROY of the Main window.
void end_graph_accessible(HWND window);
