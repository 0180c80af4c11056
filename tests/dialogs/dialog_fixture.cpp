#include "dialog_fixture.h"

#include <cstdio>
#include <fstream>
#include <sstream>

#include "app/app.h"
#include "app/main_window.h"
#include "app/window_options.h"
#include "dialogs/config_dialog.h"
#include "support/graph_fixture.h"

std::vector<DWORD> sample_ticks;

namespace {

std::string settings_folder;

LRESULT CALLBACK stand_in_proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    if (message == WM_TIMER && wparam == sample_timer_id) {
        sample_ticks.push_back(GetTickCount());
        return 0;
    }
    // What the dialogs ask of the Main window, the Main window's own handlers do.
    if (message == show_changes_message || message == settings_confirmed_message ||
        message == export_done_message || message == router_chosen_message ||
        message == router_answer_message)
        return main_window_proc(window, message, wparam, lparam);
    return DefWindowProcA(window, message, wparam, lparam);
}

// Once per process: the window that the dialogs own and recolour, and the
// settings folder that saves go to.
void make_stand_in_main_window() {
    if (main_window) return;
    instance = GetModuleHandleA(nullptr);
    register_dialog_controls();

    char temp[MAX_PATH] = {};
    GetTempPathA(sizeof temp, temp);
    char folder[MAX_PATH] = {};
    std::snprintf(folder, sizeof folder, "%smivrel-dialogs-%lu", temp, GetCurrentProcessId());
    CreateDirectoryA(folder, nullptr);
    settings_folder = folder;
    SetEnvironmentVariableA("AppData", folder);

    WNDCLASSEXA window_class{};
    window_class.cbSize = sizeof window_class;
    window_class.lpfnWndProc = stand_in_proc;
    window_class.hInstance = instance;
    window_class.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    window_class.lpszClassName = "mivrel dialog test owner";
    RegisterClassExA(&window_class);
    main_window =
        CreateWindowExA(WS_EX_TOOLWINDOW, window_class.lpszClassName, "owner", WS_POPUP | WS_VISIBLE, 10, 10,
                        200, 80, nullptr, nullptr, instance, nullptr);
}

}  // namespace

std::string settings_file_path() {
    return settings_folder + "\\mivrel\\settings.cfg";
}

std::string read_settings_file() {
    std::ifstream file(settings_file_path(), std::ios::binary);
    std::ostringstream text;
    text << file.rdbuf();
    return text.str();
}

INT_PTR open_dialog(int template_id, DLGPROC procedure) {
    return DialogBoxParamA(instance, MAKEINTRESOURCEA(template_id), main_window, procedure, 0);
}

void DialogTest::SetUp() {
    make_stand_in_main_window();
    ASSERT_NE(main_window, nullptr);
    DeleteFileA(settings_file_path().c_str());
    start_fresh_traffic_graph();
    scripted_add("eth0", true);
    scripted_add("lo", false);
    alpha = 255;
    always_on_top = 0;
    apply_transparency();
    traffic_graph.delay = 1000;
    KillTimer(main_window, sample_timer_id);
    SetTimer(main_window, sample_timer_id, 1000, nullptr);
    sample_ticks.clear();
}

void DialogTest::TearDown() {
    KillTimer(main_window, sample_timer_id);
    destroy_traffic_graph();
    set_counter_backend(nullptr);
}
