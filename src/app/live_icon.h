// The notification icon as a live readout: the traffic graph's newest samples
// or its current rates, drawn into a small icon after every tick.
#pragma once

#include <windows.h>

#include "app/icon_size.h"
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

// Lets go of the icon and its images, once the shell no longer shows it,
// and of the samples kept for it.
void free_live_icon();

// Keeps the graph's newest sample, taken at `now_ns` (monotonic), for the
// icon's columns and for the rates that the icon and the tooltip show; once
// a tick, in every mode.
void note_tray_sample(std::int64_t now_ns);
// Whether a sample has been kept; the rates shown (tray_rates).
bool tray_rates_known();
TrayRates shown_tray_rates();

// Every icon and image this module made and let go of: GDI's own count is not
// available everywhere (Wine answers 0).
struct LiveIconCounts {
    long icons_made;
    long icons_destroyed;
    long images_made;
    long images_deleted;
};
extern LiveIconCounts live_icon_counts;
