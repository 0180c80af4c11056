// The Configuration dialog's last line, which says that high contrast's
// colours are painted instead of those the dialog sets. Shown only while
// high contrast is on; otherwise the dialog ends above it.
#pragma once

#include <windows.h>

// Shows or hides the line as high contrast is now, the dialog's height with it.
void show_contrast_note(HWND dialog);
