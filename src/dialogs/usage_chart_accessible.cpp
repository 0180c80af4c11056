#include "dialogs/usage_chart_accessible.h"

#include <cstdio>

#include "app/window_accessible.h"
#include "dialogs/usage_view.h"

namespace {

ChartGeometry chart_geometry = nullptr;

// Items are numbered from 1, the bars from 0.
int bar_of(long child) {
    return static_cast<int>(child) - 1;
}

bool chart_name(HWND, long child, char (&text)[accessible_text_size]) {
    if (child == CHILDID_SELF) {
        std::snprintf(text, sizeof text, "%s", usage_view.months ? "Monthly traffic" : "Daily traffic");
        return true;
    }
    char date[64];
    format_bar_date(date, bar_of(child));
    std::snprintf(text, sizeof text, "%s", date);
    return true;
}

bool chart_value(HWND, long child, char (&text)[accessible_text_size]) {
    if (child == CHILDID_SELF) return false;
    char totals[48];
    format_bar_totals(totals, bar_of(child));
    std::snprintf(text, sizeof text, "%s", totals);
    return true;
}

long chart_items(HWND) {
    return usage_view.bar_count;
}

long chosen_bar(HWND) {
    return usage_view.selected + 1;
}

bool bar_place(HWND chart, long child, RECT* screen) {
    const UsageChartGeometry geometry = chart_geometry(chart);
    const int bar = bar_of(child);
    if (!geometry.drawn || bar >= geometry.bar_count) return false;
    const ChartRect& slot = geometry.bars[bar].slot;
    *screen = {slot.left, slot.top, slot.right, slot.bottom};
    MapWindowPoints(chart, nullptr, reinterpret_cast<POINT*>(screen), 2);
    return true;
}

long bar_at(HWND chart, POINT screen) {
    ScreenToClient(chart, &screen);
    return usage_chart_bar_at(chart_geometry(chart), screen.x) + 1;
}

constexpr AccessibleParts chart_parts = {chart_name,           chart_value, ROLE_SYSTEM_LIST, chart_items,
                                         ROLE_SYSTEM_LISTITEM, chosen_bar,  bar_place,        bar_at};

}  // namespace

LRESULT answer_chart_request(HWND chart, WPARAM flags, LPARAM object_id, ChartGeometry geometry) {
    chart_geometry = geometry;
    return answer_accessible_request(chart, flags, object_id, chart_parts);
}

void end_chart_accessible(HWND chart) {
    end_accessible(chart);
}

void announce_chosen_bar(HWND chart) {
    announce_chosen_item(chart, chosen_bar(chart));
}
