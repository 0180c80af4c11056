// The menu of the window and of the icon (menu 129's first popup), brought up
// to date just before it shows.
#pragma once

#include <windows.h>

// WM_INITMENUPOPUP: the first item shows or hides the graph, as the window is
// now, and is the default (Enter on the icon's menu takes it); Start with
// Windows is checked while the Run value is there. A popup without these
// items is left as it is.
void prepare_menu_popup(HMENU popup);
