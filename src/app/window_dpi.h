// The DPI of the screen a window or a monitor is on, and the system's
// metrics at a DPI: each read where the system tells, from the version of
// Windows that has the function, and the system's DPI before it.
#pragma once

#include <windows.h>

// Per monitor where the system tells (Windows 10 version 1607 on), the
// system's DPI elsewhere.
int platform_window_dpi(HWND window);

// What the windows read it with: a test puts a stand-in here to play
// screens of other scales, which Wine does not have.
extern int (*window_dpi)(HWND window);

// A monitor's effective DPI (Windows 8.1 on), else 0.
int monitor_dpi(HMONITOR monitor);

// The system's DPI, as the screen's device context tells.
int screen_dpi();

// GetSystemMetricsForDpi (Windows 10 version 1607 on), else null.
using SystemMetricsForDpi = int(WINAPI*)(int index, UINT dpi);
SystemMetricsForDpi system_metrics_for_dpi();

// A system metric at `dpi`; the system DPI's where the system cannot tell.
int system_metric_at_dpi(int index, int dpi);
