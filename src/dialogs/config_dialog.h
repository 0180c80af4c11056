// The Configuration dialog (resource 101).
#pragma once

#include <windows.h>

#include <commdlg.h>

#include "graph/themes.h"
#include "graph/tray_icon_image.h"
#include "monitor/format_rate.h"

// What Cancel puts back: the colours and the opacity when the dialog opened.
extern ColorSet backup_colors;
extern BYTE backup_alpha;
// The colour picker's custom colours live as long as the process, unsaved.
extern COLORREF custom_colors[16];
extern CHOOSECOLORA color_picker;

// The icon and units when the dialog opened, put back on Cancel as well.
extern TrayIconMode backup_tray_icon_mode;
extern RateUnits backup_rate_units;

// The icon and units the user has confirmed, as confirmed_alpha.
TrayIconMode confirmed_tray_icon_mode();
RateUnits confirmed_rate_units();

// The opacity the user has confirmed: while the dialog is open and previews
// another, the one it opened with.
BYTE confirmed_alpha();

// Registers the slider's window class; needed before the dialog is first created.
void register_dialog_controls();

INT_PTR CALLBACK config_dialog_proc(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam);
