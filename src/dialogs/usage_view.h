// What the Usage window shows, shared by its parts (the totals, the plan's
// controls and the chart): the adapter chosen, the bars of the chart and the
// plan as the controls have it now, confirmed only by OK.
#pragma once

#include <windows.h>

#include <cstdint>

#include "graph/usage_chart.h"
#include "monitor/data_plan.h"

struct UsageView {
    char adapter[512];
    bool months;
    DayNumber today;
    int bar_count;
    DayNumber bar_first[usage_chart_max_bars];
    UsageChartBar bars[usage_chart_max_bars];
    char bar_labels[usage_chart_max_bars][8];
    int selected;  // -1: none
    DataPlan plan;
    bool plan_valid;  // the controls hold a plan that OK can keep
    bool ready;       // the controls are filled: their changes count from now on
};

extern UsageView usage_view;

// A byte count: with a plan, in its units, so that nothing stands beside a
// figure in others.
void format_usage_count(char (&text)[16], std::uint64_t bytes);
// "1.2 GB down, 300.0 MB up".
void format_usage_totals(char (&text)[48], const ByteCounts& counts);

// In the user's own format: `flags` as GetDateFormat takes them.
void format_local_date(char* text, int size, DayNumber day, DWORD flags);
// The day and month ("14 Jan" or "January 14") where the locale has one.
void format_day_and_month(char (&text)[64], DayNumber day);

// What the line under the chart and a screen reader say of one bar: its day
// in the user's long date format (or its month), and its totals.
void format_bar_date(char (&text)[64], int bar);
void format_bar_totals(char (&text)[48], int bar);

inline HWND item(HWND dialog, int id) {
    return GetDlgItem(dialog, id);
}

inline bool is_checked(HWND dialog, int id) {
    return SendMessageA(item(dialog, id), BM_GETCHECK, 0, 0) == BST_CHECKED;
}

inline void set_text(HWND dialog, int id, const char* text) {
    SetWindowTextA(item(dialog, id), text);
}
