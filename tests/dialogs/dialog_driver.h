// Drives modal dialogs in tests as a user would: each step waits until a
// dialog with its caption is up on this thread, then acts in it.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "support/message_pump.h"

struct UiStep {
    std::string title;  // caption of the dialog this step waits for
    std::function<void(HWND dialog)> act;
};

// Runs `open`, which shows a modal dialog on this thread and returns when it
// has ended, while the steps run in turn from a timer inside the dialog's own
// message loop. A standing step acts on every dialog with its caption, each
// time one comes up. When `limit_ms` runs out every dialog of the thread is
// ended, so a failing test never hangs. True when every step ran and `open`
// returned in time.
bool run_with_steps(const std::function<void()>& open, const std::vector<UiStep>& steps,
                    DWORD limit_ms = 10000, const std::vector<UiStep>& standing = {});

// The visible dialog of this thread with the caption, or null.
HWND find_dialog(const char* title);

// What the user does.
void click(HWND dialog, int id);
void set_checked(HWND dialog, int id, bool checked);
void type_text(HWND dialog, int id, const char* text);
// Picks a list item with the arrow keys, so the list itself reports the change.
void choose_item(HWND dialog, int id, const char* text);
// Keys go through the dialog's own loop, as from the keyboard; `target` is the
// control with the focus (or the dialog).
void press_key(HWND target, WORD key);

std::string control_text(HWND dialog, int id);
bool is_checked(HWND dialog, int id);

// The client area of a window as it is on screen, 0x00BBGGRR per pixel, row by row.
struct Capture {
    int width = 0;
    int height = 0;
    std::vector<COLORREF> pixels;
    COLORREF at(int x, int y) const { return pixels[static_cast<size_t>(y) * width + x]; }
    int count(COLORREF color) const;
};
Capture capture_client(HWND window);
