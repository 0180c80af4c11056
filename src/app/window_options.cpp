#include "app/window_options.h"

#include "app/app.h"
#include "monitor/traffic_graph.h"

BYTE alpha = 0;
BYTE always_on_top = 0;

// The whole extended style is replaced, so an opaque window stops being
// layered. High contrast wants it opaque; `alpha` stays the user's.
void apply_transparency() {
    if (alpha == 255 || traffic_graph.contrast.high_contrast) {
        SetWindowLongA(main_window, GWL_EXSTYLE, WS_EX_TOOLWINDOW);
        return;
    }
    SetWindowLongA(main_window, GWL_EXSTYLE, WS_EX_TOOLWINDOW | WS_EX_LAYERED);
    SetLayeredWindowAttributes(main_window, 0, alpha, LWA_ALPHA);
}

void apply_always_on_top(bool flag) {
    SetWindowPos(main_window, flag ? HWND_TOPMOST : HWND_NOTOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
}
