// Painting the Usage window's chart with GDI, off-screen and then copied in one step.
#pragma once

#include <windows.h>

#include "graph/contrast_colors.h"
#include "graph/usage_chart.h"

struct UsageChartTexts {
    const char* scale;            // the top value
    const char (*bar_labels)[8];  // one per bar, used where labelled
    const UsageChartBar* bars;
    int selected;  // the bar pointed at or chosen by key, -1 for none
    bool focused;
};

// In the graph's colours, or high contrast's with their fills.
void paint_usage_chart(HDC target, const UsageChartGeometry& geometry, const UsageChartTexts& texts,
                       const Palette& palette, HFONT font);
