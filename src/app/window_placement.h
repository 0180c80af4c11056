// Where the Main window may be: on a screen that is there, out of the taskbar's
// way, with its restored place kept, whatever the start command or the menu key.
#pragma once

#include <windows.h>

// One monitor as the platform reports it: the whole screen and the part of it
// left free by the taskbar and other application bars.
struct MonitorArea {
    RECT monitor;
    RECT work;
};

// The saved rectangle where at least half of it is on the monitors; otherwise
// moved into the work area of the nearest one, its size kept unless that work
// area is smaller. No monitors: the rectangle as it is.
RECT fit_onto_monitors(const RECT& window, const MonitorArea* monitors, int count);

// Fills the maximised place and size with the work area of the window's
// monitor, the place relative to that monitor's origin.
void limit_maximised_to_work_area(MINMAXINFO& limits, const MonitorArea& area);

// A maximised window's rectangle moved and cut to lie within `work`. Windows
// takes the maximised size it is given as the primary monitor's and enlarges
// it on a larger monitor, over that monitor's taskbar.
RECT clamp_to_work_area(const RECT& window, const RECT& work);

enum class StartShow { hidden, maximised, as_given };

// How the start command shows the window: any minimised one hides it, as a
// minimise request does, since an iconic tool window has no way back.
StartShow start_show(int show_command);

// The menu's corner: the pointer's, or the window's top-left corner when the
// keyboard asked for the menu (the point is then -1, -1).
POINT context_menu_point(int x, int y, const RECT& window);

// Set while the window is moved to a place the settings chose: a DPI change
// then keeps that rectangle rather than scaling it once more.
extern bool placing_window;

struct PlacingScope {
    PlacingScope() : outer(placing_window) { placing_window = true; }
    ~PlacingScope() { placing_window = outer; }
    PlacingScope(const PlacingScope&) = delete;
    PlacingScope& operator=(const PlacingScope&) = delete;
    bool outer;
};

// Moves the Main window to a place the settings chose, within a placing scope.
// With `onto_a_monitor`, a place mostly off every monitor is moved onto one.
void place_main_window(int left, int top, int width, int height, bool onto_a_monitor);

// The place the settings chose after a reset. Moving a maximised window
// changes only its maximised rectangle, and the old place would be saved: it
// is given the new place to be restored to, and a shown one is restored there.
// A hidden one stays hidden, and maximised, until it is shown.
void reset_main_window_place(int left, int top, int width, int height);

// The DPI of the monitor that holds `point` (the primary when none does);
// tests put a reader of their own in its place, as Wine has one DPI.
using MonitorDpiReader = int (*)(POINT point);
extern MonitorDpiReader monitor_dpi_at;

// The restored rectangle in screen pixels, also while maximised or minimised.
RECT normal_window_rect(HWND window);

// The work area of the monitor the window is (mostly) on.
void limit_maximised_to_its_monitor(HWND window, MINMAXINFO& limits);

// While the window is maximised, keeps the place and size it is about to take
// within the work area of the monitor that place is (mostly) on.
void keep_maximised_in_work_area(HWND window, WINDOWPOS& position);
