// What the notification area shows, put together from the graph, the counts
// and the data plan: the live picture or the program's icon, and the tooltip.
#pragma once

// The tooltip: the program's name, the two rates, today's and this month's
// counts (or the plan's state), sent when it changed.
void refresh_notification_tip();

// A tick's part: keeps its sample and, when due, refreshes the live icon and
// the tooltip (at ticks below 250 ms at most 4 times a second).
void refresh_notification_area();

// The taskbar's icon size may have changed (DPI, display, settings, a new
// taskbar): the program's icon and the live one are made for it again.
void notification_icon_metrics_changed();

// The icon goes, and every picture made for it.
void remove_notification_area();
