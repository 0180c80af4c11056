#include "app/window_placement.h"

#include "app/app.h"
#include "app/window_dpi.h"

bool placing_window = false;

namespace {

long long area_of(const RECT& rect) {
    const long long width = rect.right > rect.left ? rect.right - rect.left : 0;
    const long long height = rect.bottom > rect.top ? rect.bottom - rect.top : 0;
    return width * height;
}

long long overlap(const RECT& a, const RECT& b) {
    RECT common{a.left > b.left ? a.left : b.left, a.top > b.top ? a.top : b.top,
                a.right < b.right ? a.right : b.right, a.bottom < b.bottom ? a.bottom : b.bottom};
    return area_of(common);
}

// Squared distance from the rectangle's centre to the nearest point of `to`.
long long distance_to(const RECT& rect, const RECT& to) {
    const long long x = (static_cast<long long>(rect.left) + rect.right) / 2;
    const long long y = (static_cast<long long>(rect.top) + rect.bottom) / 2;
    const long long dx = x < to.left ? to.left - x : (x >= to.right ? x - to.right + 1 : 0);
    const long long dy = y < to.top ? to.top - y : (y >= to.bottom ? y - to.bottom + 1 : 0);
    return dx * dx + dy * dy;
}

// The start of a span of `length` moved within [low, high), the low end first.
LONG clamp_start(LONG start, LONG length, LONG low, LONG high) {
    if (start > high - length) start = high - length;
    if (start < low) start = low;
    return start;
}

constexpr int most_monitors = 16;

struct MonitorList {
    MonitorArea areas[most_monitors];
    int count;
};

BOOL CALLBACK collect_monitor(HMONITOR monitor, HDC, LPRECT, LPARAM list_address) {
    auto& list = *reinterpret_cast<MonitorList*>(list_address);
    MONITORINFO info{};
    info.cbSize = sizeof info;
    if (GetMonitorInfoA(monitor, &info)) list.areas[list.count++] = {info.rcMonitor, info.rcWork};
    return list.count < most_monitors;
}

}  // namespace

RECT fit_onto_monitors(const RECT& window, const MonitorArea* monitors, int count) {
    if (count <= 0) return window;
    const long long whole = area_of(window);
    long long shown = 0;
    for (int i = 0; i < count; ++i) shown += overlap(window, monitors[i].monitor);
    if (whole > 0 && 2 * shown >= whole) return window;

    int nearest = 0;
    for (int i = 1; i < count; ++i) {
        const long long here = overlap(window, monitors[i].monitor);
        const long long best = overlap(window, monitors[nearest].monitor);
        if (here > best ||
            (here == best && best == 0 &&
             distance_to(window, monitors[i].monitor) < distance_to(window, monitors[nearest].monitor)))
            nearest = i;
    }
    return clamp_to_work_area(window, monitors[nearest].work);
}

void limit_maximised_to_work_area(MINMAXINFO& limits, const MonitorArea& area) {
    limits.ptMaxPosition.x = area.work.left - area.monitor.left;
    limits.ptMaxPosition.y = area.work.top - area.monitor.top;
    limits.ptMaxSize.x = area.work.right - area.work.left;
    limits.ptMaxSize.y = area.work.bottom - area.work.top;
}

RECT clamp_to_work_area(const RECT& window, const RECT& work) {
    LONG width = window.right - window.left;
    LONG height = window.bottom - window.top;
    if (width > work.right - work.left) width = work.right - work.left;
    if (height > work.bottom - work.top) height = work.bottom - work.top;
    const LONG left = clamp_start(window.left, width, work.left, work.right);
    const LONG top = clamp_start(window.top, height, work.top, work.bottom);
    return {left, top, left + width, top + height};
}

StartShow start_show(int show_command) {
    switch (show_command) {
        case SW_MINIMIZE:
        case SW_SHOWMINIMIZED:
        case SW_SHOWMINNOACTIVE:
        case SW_FORCEMINIMIZE:
            return StartShow::hidden;
        case SW_MAXIMIZE:
            return StartShow::maximised;
        default:
            return StartShow::as_given;
    }
}

POINT context_menu_point(int x, int y, const RECT& window) {
    if (x == -1 && y == -1) return {window.left, window.top};
    return {x, y};
}

void place_main_window(int left, int top, int width, int height, bool onto_a_monitor) {
    RECT place{left, top, left + width, top + height};
    if (onto_a_monitor) {
        MonitorList list{};
        EnumDisplayMonitors(nullptr, nullptr, collect_monitor, reinterpret_cast<LPARAM>(&list));
        place = fit_onto_monitors(place, list.areas, list.count);
    }
    PlacingScope placing;
    MoveWindow(main_window, place.left, place.top, place.right - place.left, place.bottom - place.top, TRUE);
}

void reset_main_window_place(int left, int top, int width, int height) {
    if (!IsZoomed(main_window)) {
        place_main_window(left, top, width, height, false);
        return;
    }
    WINDOWPLACEMENT placement{};
    placement.length = sizeof placement;
    if (!GetWindowPlacement(main_window, &placement)) return;
    placement.flags = 0;
    placement.showCmd = IsWindowVisible(main_window) ? SW_RESTORE : SW_HIDE;
    placement.rcNormalPosition = {left, top, left + width, top + height};
    PlacingScope placing;
    SetWindowPlacement(main_window, &placement);
}

namespace {

// Per monitor from Windows 8.1 on; the system's DPI elsewhere.
int dpi_of_monitor_at(POINT point) {
    const int dpi = monitor_dpi(MonitorFromPoint(point, MONITOR_DEFAULTTOPRIMARY));
    return dpi > 0 ? dpi : screen_dpi();
}

}  // namespace

MonitorDpiReader monitor_dpi_at = dpi_of_monitor_at;

// A tool window's placement is in screen coordinates, not the work area's.
RECT normal_window_rect(HWND window) {
    WINDOWPLACEMENT placement{};
    placement.length = sizeof placement;
    if (GetWindowPlacement(window, &placement)) return placement.rcNormalPosition;
    RECT outer{};
    GetWindowRect(window, &outer);
    return outer;
}

void limit_maximised_to_its_monitor(HWND window, MINMAXINFO& limits) {
    MONITORINFO info{};
    info.cbSize = sizeof info;
    if (!GetMonitorInfoA(MonitorFromWindow(window, MONITOR_DEFAULTTONEAREST), &info)) return;
    limit_maximised_to_work_area(limits, {info.rcMonitor, info.rcWork});
}

// The place a move leaves alone is the window's own, and so is the size.
void keep_maximised_in_work_area(HWND window, WINDOWPOS& position) {
    if (!IsZoomed(window) || (position.flags & (SWP_NOMOVE | SWP_NOSIZE)) == (SWP_NOMOVE | SWP_NOSIZE))
        return;
    RECT next{};
    GetWindowRect(window, &next);
    if (!(position.flags & SWP_NOMOVE)) OffsetRect(&next, position.x - next.left, position.y - next.top);
    if (!(position.flags & SWP_NOSIZE)) {
        next.right = next.left + position.cx;
        next.bottom = next.top + position.cy;
    }
    MONITORINFO info{};
    info.cbSize = sizeof info;
    if (!GetMonitorInfoA(MonitorFromRect(&next, MONITOR_DEFAULTTONEAREST), &info)) return;
    const RECT kept = clamp_to_work_area(next, info.rcWork);
    if (EqualRect(&kept, &next)) return;
    position.x = kept.left;
    position.y = kept.top;
    position.cx = kept.right - kept.left;
    position.cy = kept.bottom - kept.top;
    position.flags &= ~static_cast<UINT>(SWP_NOMOVE | SWP_NOSIZE);
}
