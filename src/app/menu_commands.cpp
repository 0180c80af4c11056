// The commands of the menu that the window and the notification icon share.
#include "app/menu_commands.h"

#include "app/app.h"
#include "app/apply_settings.h"
#include "app/modal.h"
#include "app/notification_icon.h"
#include "app/run_end.h"
#include "app/start_with_windows.h"
#include "dialogs/about_dialog.h"
#include "dialogs/config_dialog.h"
#include "dialogs/usage_chart_window.h"
#include "dialogs/usage_dialog.h"
#include "resources/resource.h"

namespace {

// Saving is turned off before the window goes, since its destruction would
// write the file straight back.
void reset_config_and_exit(HWND window) {
    ModalWindowScope modal;
    const int answer =
        MessageBoxA(main_window, "This will delete the mivrel config file and exit.\r\nAre you sure?",
                    "Reset mivrel", MB_YESNO | MB_ICONQUESTION);
    if (answer != IDYES) return;
    delete_saved_state();
    set_start_with_windows(false);
    DestroyWindow(window);
}

void open_modal_dialog(HWND window, int template_id, DLGPROC procedure) {
    ModalWindowScope modal;
    DialogBoxParamA(instance, MAKEINTRESOURCEA(template_id), window, procedure, 0);
}

bool is_menu_command(int id) {
    return id == IDM_CONFIGURE || id == IDM_ABOUT || id == IDM_EXIT || id == IDM_RESET_CONFIG ||
           id == IDM_RESET_POSITION || id == IDM_START_WITH_WINDOWS || id == IDM_USAGE;
}

// The icon's menu works inside a modal window's loop too; what it asks for then
// waits until that window is done with, which is brought to the front instead.
}  // namespace

LRESULT run_menu_command(HWND window, WPARAM wparam, LPARAM lparam) {
    const int id = LOWORD(wparam);
    if (is_menu_command(id) && open_modal_windows > 0) {
        bring_modal_window_to_front();
        return 0;
    }
    switch (id) {
        case IDM_CONFIGURE:
            open_modal_dialog(window, IDD_CONFIG, config_dialog_proc);
            return 0;
        case IDM_ABOUT:
            open_modal_dialog(window, IDD_ABOUT, about_dialog_proc);
            return 0;
        case IDM_USAGE:
            register_usage_chart();
            open_modal_dialog(window, IDD_USAGE, usage_dialog_proc);
            return 0;
        case IDM_EXIT:
            DestroyWindow(window);
            return 0;
        case IDM_RESET_CONFIG:
            reset_config_and_exit(window);
            return 0;
        case IDM_RESET_POSITION:
            reset_graph_position();
            return 0;
        case IDM_START_WITH_WINDOWS:
            toggle_start_with_windows();
            return 0;
        case IDM_SHOW_GRAPH:
            toggle_main_window();
            return 0;
        default:
            return DefWindowProcA(window, WM_COMMAND, wparam, lparam);
    }
}
