#include "app/program.h"

#include "app/app.h"
#include "app/main_window.h"
#include "app/window_placement.h"
#include "dialogs/config_dialog.h"
#include "resources/resource.h"

HWND create_main_window(HINSTANCE module) {
    // Before the window exists: a first run opens the Configuration dialog while it is created.
    register_dialog_controls();
    LoadStringA(module, IDS_APP_TITLE, window_title, sizeof window_title);
    LoadStringA(module, IDS_WINDOW_CLASS, window_class_name, sizeof window_class_name);

    WNDCLASSEXA window_class{};
    window_class.cbSize = sizeof window_class;
    window_class.style = CS_VREDRAW | CS_HREDRAW | CS_DBLCLKS;
    window_class.lpfnWndProc = main_window_proc;
    window_class.hInstance = module;
    window_class.hIcon = LoadIconA(module, MAKEINTRESOURCEA(IDI_MAIN));
    window_class.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    window_class.hbrBackground = nullptr;  // the painter covers every pixel
    window_class.lpszClassName = window_class_name;
    window_class.hIconSm = LoadIconA(module, MAKEINTRESOURCEA(IDI_MAIN));
    RegisterClassExA(&window_class);

    instance = module;
    return CreateWindowExA(WS_EX_TOOLWINDOW, window_class_name, window_title, WS_POPUP | WS_THICKFRAME,
                           CW_USEDEFAULT, 0, CW_USEDEFAULT, 0, nullptr, nullptr, module, nullptr);
}

int run_message_loop() {
    MSG message;
    while (GetMessageA(&message, nullptr, 0, 0)) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
    return static_cast<int>(message.wParam);
}

int run_program(HINSTANCE module, int show_command) {
    start_command = show_command;
    HWND window = create_main_window(module);
    if (!window) return 0;
    // A hidden start was hidden during creation.
    switch (start_show(show_command)) {
        case StartShow::hidden:
            break;
        case StartShow::maximised:
            ShowWindow(window, SW_MAXIMIZE);
            break;
        case StartShow::as_given:
            ShowWindow(window, show_command);
            break;
    }
    UpdateWindow(window);
    return run_message_loop();
}
