// A hidden start under Windows' rule that the process's first ShowWindow call
// takes the start command (STARTUPINFO), played by a stand-in: Wine does not
// follow the rule.
#include "app/show_at_start.h"

#include <gtest/gtest.h>

namespace {

struct StandInWindow {
    bool visible;
    bool iconic;
};

StandInWindow main_state;
StandInWindow dialog_state;
int start_command;
bool first_call_seen;

StandInWindow& state(HWND window) {
    return window == reinterpret_cast<HWND>(&main_state) ? main_state : dialog_state;
}

BOOL WINAPI stand_in_show(HWND window, int command) {
    if (!first_call_seen) command = start_command;
    first_call_seen = true;
    StandInWindow& shown = state(window);
    const bool was_visible = shown.visible;
    switch (command) {
        case SW_HIDE:
            shown.visible = false;
            break;
        case SW_MINIMIZE:
        case SW_SHOWMINIMIZED:
        case SW_SHOWMINNOACTIVE:
            shown = {true, true};
            break;
        default:  // the restoring and showing commands
            shown = {true, false};
            break;
    }
    return was_visible;
}
BOOL WINAPI stand_in_visible(HWND window) {
    return state(window).visible;
}
BOOL WINAPI stand_in_iconic(HWND window) {
    return state(window).iconic;
}

TEST(ShowAtStart, AHiddenStartTakesTheStartCommandItselfAndEndsHiddenNotIconic) {
    const ShowCalls stand_in{stand_in_show, stand_in_visible, stand_in_iconic};
    for (const int command : {SW_SHOWMINNOACTIVE, SW_SHOWMINIMIZED, SW_MINIMIZE}) {
        main_state = dialog_state = {false, false};
        start_command = command;
        first_call_seen = false;
        hide_at_start(reinterpret_cast<HWND>(&main_state), stand_in);
        EXPECT_FALSE(main_state.visible) << command;
        EXPECT_FALSE(main_state.iconic) << command;
        // The greeting, a dialog, or the maximise of a double click.
        stand_in_show(reinterpret_cast<HWND>(&dialog_state), SW_SHOWNORMAL);
        EXPECT_TRUE(dialog_state.visible && !dialog_state.iconic) << command;
    }
}

}  // namespace
