// The Usage window's chart for screen readers: a list named "Daily traffic"
// (or "Monthly traffic") with one item per bar, named by its day in the
// user's long date format (or its month) and valued by its totals in the
// window's units, as the line under the chart says them. The chosen bar is
// the selected item, and the focused one while the chart has the focus.
#pragma once

#include <windows.h>

#include "graph/usage_chart.h"

// Where the chart's bars lie in its client area now.
using ChartGeometry = UsageChartGeometry (*)(HWND chart);

// WM_GETOBJECT of the chart.
LRESULT answer_chart_request(HWND chart, WPARAM flags, LPARAM object_id, ChartGeometry geometry);
// WM_DESTROY of the chart.
void end_chart_accessible(HWND chart);
// The chosen bar changed: read out while the chart has the focus.
void announce_chosen_bar(HWND chart);
