// The Usage window (dialog 104): every kept day of an adapter as a chart and
// totals, the data plan's settings and state, and the export of the history.
#pragma once

#include <windows.h>

INT_PTR CALLBACK usage_dialog_proc(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam);
