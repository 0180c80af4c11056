// "Export..." in the Usage window: the Save As dialog, which refuses the
// program's own files, and the report of an export that failed, which the
// Main window gives when the Usage window that asked has closed meanwhile.
#pragma once

#include <windows.h>

#include <commdlg.h>

// Asks, owned by `dialog`, for the file to write the history to, and hands
// the export to the save worker.
void export_history(HWND dialog);

// The Main window's `export_done_message`: lParam carries the outcome, which
// this frees.
void report_export(LPARAM outcome);

// The Save As dialog, which tests replace with the answers a user gives.
using SaveFileDialog = BOOL(WINAPI*)(OPENFILENAMEW* request);
extern SaveFileDialog save_file_dialog;
