// The floor of bench/program_cpu.sh: the least a program costs that does what
// mivrel's frame does without its work. A window of the graph's default size,
// a notification icon set once, and a timer at the tick delay of the
// settings file (graph.delay) whose ticks do nothing.
#include <windows.h>

#include <shellapi.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

constexpr UINT_PTR timer_id = 1;

int configured_delay() {
    char path[MAX_PATH];
    const char* app_data = std::getenv("AppData");
    std::snprintf(path, sizeof path, "%s\\mivrel\\settings.cfg", app_data ? app_data : ".");
    int delay = 1000;
    if (FILE* file = std::fopen(path, "r")) {
        char line[256];
        while (std::fgets(line, sizeof line, file))
            if (std::strncmp(line, "graph.delay\t", 12) == 0) delay = std::atoi(line + 12);
        std::fclose(file);
    }
    return delay;
}

LRESULT CALLBACK floor_proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    switch (message) {
        case WM_TIMER:
            return 0;
        case WM_CLOSE:
            DestroyWindow(window);
            return 0;
        case WM_DESTROY:
            PostQuitMessage(0);
            return 0;
        default:
            return DefWindowProcA(window, message, wparam, lparam);
    }
}

}  // namespace

int WINAPI WinMain(HINSTANCE module, HINSTANCE, LPSTR, int) {
    WNDCLASSEXA window_class{};
    window_class.cbSize = sizeof window_class;
    window_class.lpfnWndProc = floor_proc;
    window_class.hInstance = module;
    window_class.hbrBackground = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
    window_class.lpszClassName = "MIVREL";  // so that the probe finds and closes it
    RegisterClassExA(&window_class);
    HWND window = CreateWindowExA(WS_EX_TOOLWINDOW, window_class.lpszClassName, "mivrel floor",
                                  WS_POPUP | WS_THICKFRAME | WS_VISIBLE, 100, 100, 200, 80, nullptr, nullptr,
                                  module, nullptr);
    NOTIFYICONDATAA icon{};
    icon.cbSize = sizeof icon;
    icon.hWnd = window;
    icon.uFlags = NIF_ICON | NIF_TIP;
    icon.hIcon = LoadIconA(nullptr, IDI_APPLICATION);
    std::snprintf(icon.szTip, sizeof icon.szTip, "floor");
    Shell_NotifyIconA(NIM_ADD, &icon);
    SetTimer(window, timer_id, static_cast<UINT>(configured_delay()), nullptr);
    MSG message;
    while (GetMessageA(&message, nullptr, 0, 0)) DispatchMessageA(&message);
    Shell_NotifyIconA(NIM_DELETE, &icon);
    return 0;
}
