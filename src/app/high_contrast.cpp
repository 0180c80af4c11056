#include "app/high_contrast.h"

#include "app/app.h"
#include "app/live_icon.h"
#include "app/window_options.h"
#include "graph/contrast_gdi.h"
#include "monitor/traffic_graph.h"

bool system_high_contrast() {
    HIGHCONTRASTA contrast{};
    contrast.cbSize = sizeof contrast;
    if (!SystemParametersInfoA(SPI_GETHIGHCONTRAST, sizeof contrast, &contrast, 0)) return false;
    return (contrast.dwFlags & HCF_HIGHCONTRASTON) != 0;
}

HighContrastReader read_high_contrast = system_high_contrast;

namespace {

BOOL CALLBACK repaint_window(HWND window, LPARAM) {
    RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_ALLCHILDREN);
    return TRUE;
}

void put_into_effect(const Palette& palette) {
    traffic_graph.contrast = palette;
    set_contrast_pens(palette);
    if (main_window) apply_transparency();
    EnumThreadWindows(GetCurrentThreadId(), repaint_window, 0);
    refresh_live_icon();
}

}  // namespace

SystemColours read_system_colours() {
    return {GetSysColor(COLOR_WINDOW), GetSysColor(COLOR_WINDOWTEXT), GetSysColor(COLOR_HIGHLIGHT),
            GetSysColor(COLOR_HOTLIGHT)};
}

void follow_high_contrast() {
    const bool on = read_high_contrast();
    if (!on && !traffic_graph.contrast.high_contrast) return;
    // Off, the record keeps no palette: the user's colours are painted.
    const Palette palette =
        on ? choose_palette(true, read_system_colours(), traffic_graph.colors) : Palette{};
    if (palette == traffic_graph.contrast) return;
    put_into_effect(palette);
}

bool high_contrast_on() {
    return traffic_graph.contrast.high_contrast;
}

void end_high_contrast() {
    traffic_graph.contrast = Palette{};
    set_contrast_pens(traffic_graph.contrast);
}
