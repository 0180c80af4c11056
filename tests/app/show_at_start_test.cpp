// A hidden start under Windows' rule that the process's first ShowWindow call
// takes the start command (STARTUPINFO), played by a stand-in: Wine does not
// follow the rule.
#include "app/show_at_start.h"

#include <gtest/gtest.h>

#include <utility>

namespace {

struct StandInWindow {
    bool visible;
    bool iconic;
};
StandInWindow main_state, dialog_state;
int start_command;  // 0 once the first call has taken it

StandInWindow& state(HWND window) {
    return window == reinterpret_cast<HWND>(&main_state) ? main_state : dialog_state;
}

BOOL WINAPI stand_in_show(HWND window, int command) {
    if (start_command != 0) command = std::exchange(start_command, 0);
    StandInWindow& shown = state(window);
    const bool minimise =
        command == SW_MINIMIZE || command == SW_SHOWMINIMIZED || command == SW_SHOWMINNOACTIVE;
    if (command == SW_HIDE)
        shown.visible = false;
    else
        shown = {true, minimise};  // every other command here shows, restoring unless it minimises
    return FALSE;
}
BOOL WINAPI stand_in_visible(HWND window) {
    return state(window).visible;
}
BOOL WINAPI stand_in_iconic(HWND window) {
    return state(window).iconic;
}

TEST(ShowAtStart, AHiddenStartTakesTheStartCommandItselfAndEndsHiddenNotIconic) {
    for (const int command : {SW_SHOWMINNOACTIVE, SW_SHOWMINIMIZED, SW_MINIMIZE}) {
        main_state = dialog_state = {false, false};
        start_command = command;
        hide_at_start(reinterpret_cast<HWND>(&main_state),
                      {stand_in_show, stand_in_visible, stand_in_iconic});
        EXPECT_FALSE(main_state.visible || main_state.iconic) << command;
        // The greeting, a dialog, or the maximise of a double click.
        stand_in_show(reinterpret_cast<HWND>(&dialog_state), SW_SHOWNORMAL);
        EXPECT_TRUE(dialog_state.visible && !dialog_state.iconic) << command;
    }
}

}  // namespace
