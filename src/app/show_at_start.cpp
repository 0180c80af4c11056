#include "app/show_at_start.h"

namespace {

// While it lasts, the window is fully transparent: an iconic window is
// restored without a frame of it being seen. What it replaced is put back.
class UnseenScope {
public:
    explicit UnseenScope(HWND window)
        : window(window), extended_style(GetWindowLongPtrA(window, GWL_EXSTYLE)) {
        layered = (extended_style & WS_EX_LAYERED) != 0 &&
                  GetLayeredWindowAttributes(window, &key, &opacity, &flags);
        SetWindowLongPtrA(window, GWL_EXSTYLE, extended_style | WS_EX_LAYERED);
        SetLayeredWindowAttributes(window, 0, 0, LWA_ALPHA);
    }
    ~UnseenScope() {
        SetWindowLongPtrA(window, GWL_EXSTYLE, extended_style);
        if (layered) SetLayeredWindowAttributes(window, key, opacity, flags);
    }
    UnseenScope(const UnseenScope&) = delete;
    UnseenScope& operator=(const UnseenScope&) = delete;

private:
    HWND window;
    LONG_PTR extended_style;
    bool layered = false;
    COLORREF key = 0;
    BYTE opacity = 255;
    DWORD flags = 0;
};

}  // namespace

const ShowCalls platform_show_calls = {ShowWindow, IsWindowVisible, IsIconic};

void hide_at_start(HWND window, const ShowCalls& calls) {
    calls.show(window, SW_HIDE);
    if (!calls.visible(window) && !calls.iconic(window)) return;
    // The start command fell on that call.
    calls.show(window, SW_HIDE);
    if (!calls.iconic(window)) return;
    // A hidden iconic window would come back minimised at the next show.
    const UnseenScope unseen(window);
    calls.show(window, SW_SHOWNOACTIVATE);
    calls.show(window, SW_HIDE);
}
