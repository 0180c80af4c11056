// The About box (resource 103).
#pragma once

#include <windows.h>

// Which icon the next click on the About box's icon loads: clear for the
// second icon, set for the main one. Kept across openings.
extern BYTE about_icon_flag;

INT_PTR CALLBACK about_dialog_proc(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam);
