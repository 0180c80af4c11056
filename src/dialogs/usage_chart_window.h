// The Usage window's chart, a control of its own: the view's bars, the one
// under the pointer, or chosen by the arrow keys, told to its parent.
#pragma once

#include <windows.h>

// The chart's window class; needed before the dialog is first created.
void register_usage_chart();

// The notification (WM_COMMAND's high word) the parent gets when another bar,
// or none, is chosen.
constexpr WORD usage_chart_selected = 1;
