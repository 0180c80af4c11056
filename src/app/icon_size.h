// The size the taskbar draws notification icons at, which follows the
// primary monitor's scale; every icon the notification area is given is made
// or loaded for it.
#pragma once

#include "app/window_dpi.h"

// The small-icon size at the DPI of the primary monitor, where the taskbar's
// notification area is: the monitor's DPI (0 where the system cannot tell),
// else the system's (0 likewise), through `metric_for_dpi` (null where the
// system lacks it), else `plain_size`, the small-icon size of the system DPI.
int small_icon_size(UINT primary_dpi, UINT system_dpi, SystemMetricsForDpi metric_for_dpi, int plain_size);

// Where the icon's size comes from; tests give other sizes.
using IconSizeSource = int (*)();
extern IconSizeSource icon_size_source;
int taskbar_icon_size();
