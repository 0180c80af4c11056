// Windows' high contrast: while it is on, the graph, its labels, the live
// icon and the Usage window's chart are painted in the system's colours
// (choose_palette) and the window is opaque. The user's theme, colours and
// transparency stay as they are, unsaved, and come back when it ends.
#pragma once

#include <windows.h>

#include "graph/contrast_colors.h"

// Whether high contrast is on (SPI_GETHIGHCONTRAST, HCF_HIGHCONTRASTON).
// Tests put a stand-in here: Wine always answers off.
using HighContrastReader = bool (*)();
extern HighContrastReader read_high_contrast;
bool system_high_contrast();

// The system's colours, as GetSysColor gives them now.
SystemColours read_system_colours();

// Reads the flag and the colours again and, where what is painted changes,
// puts it into effect: the graph record's palette and pens, the Main
// window's opacity, a repaint of this thread's windows, the live icon. Any
// window that hears WM_SYSCOLORCHANGE or WM_SETTINGCHANGE may call it.
void follow_high_contrast();

// Whether the system's colours are painted now.
bool high_contrast_on();

// Back to the user's colours, the pens deleted (the Main window's end).
void end_high_contrast();
