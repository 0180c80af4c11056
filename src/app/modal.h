// mivrel's modal windows (its dialogs, message boxes and the colour picker)
// run nested message loops in which the icon's menu still works; these keep
// a second one from opening over the first.
#pragma once

#include <windows.h>

// How many are open now, one inside another.
extern int open_modal_windows;

// Counts a modal window as open for as long as the scope lasts.
struct ModalWindowScope {
    ModalWindowScope() { ++open_modal_windows; }
    ~ModalWindowScope() { --open_modal_windows; }
    ModalWindowScope(const ModalWindowScope&) = delete;
    ModalWindowScope& operator=(const ModalWindowScope&) = delete;
};

// Brings the innermost open one to the front: the visible dialog of this
// thread that is not disabled by another above it.
void bring_modal_window_to_front();
