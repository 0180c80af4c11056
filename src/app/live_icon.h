// The notification icon as a live readout: the traffic graph's newest samples
// or its current rates, drawn into a small icon after every tick.
#pragma once

#include <windows.h>

#include "graph/tray_icon_image.h"

// The setting app.tray_icon, as in effect now (the Configuration dialog previews it).
extern TrayIconMode tray_icon_mode;

// The icon the notification area is to show: the live one, or null for the
// program's own icon.
HICON live_icon();

// Draws the live icon of `mode` at once, or puts the program's icon back.
void set_tray_icon_mode(TrayIconMode mode);

// Draws the icon from the graph as it is now and hands it to the shell only
// when its pixels changed; the previous icon goes once the shell has the new one.
void refresh_live_icon();

// The taskbar's icon size may have changed (DPI, display, settings, a new
// taskbar): read it again, and redraw at the new size.
void live_icon_metrics_changed();

// Lets go of the icon and its images, once the shell no longer shows it.
void free_live_icon();

// The small-icon size at the DPI of the primary monitor, where the taskbar's
// notification area is: the monitor's DPI (0 where the system cannot tell),
// else the system's (0 likewise), through `metric_for_dpi` (null where the
// system lacks it), else `plain_size`, the small-icon size of the system DPI.
using SystemMetricsForDpi = int(WINAPI*)(int index, UINT dpi);
int small_icon_size(UINT monitor_dpi, UINT system_dpi, SystemMetricsForDpi metric_for_dpi, int plain_size);

// Where the icon's size comes from; tests give other sizes.
using IconSizeSource = int (*)();
extern IconSizeSource icon_size_source;
int taskbar_icon_size();

// Every icon and image this module made and let go of: GDI's own count is not
// available everywhere (Wine answers 0).
struct LiveIconCounts {
    long icons_made;
    long icons_destroyed;
    long images_made;
    long images_deleted;
};
extern LiveIconCounts live_icon_counts;
