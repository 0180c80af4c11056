#include "app/window_dpi.h"

#include <shellscalingapi.h>

#include "dpi.h"

int platform_window_dpi(HWND window) {
    using GetDpiForWindowFunction = UINT(WINAPI*)(HWND);
    static const auto get_dpi_for_window = reinterpret_cast<GetDpiForWindowFunction>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("user32.dll"), "GetDpiForWindow")));
    if (get_dpi_for_window) {
        if (const UINT dpi = get_dpi_for_window(window)) return static_cast<int>(dpi);
    }
    return screen_dpi();
}

int (*window_dpi)(HWND window) = platform_window_dpi;

int monitor_dpi(HMONITOR monitor) {
    using GetDpiForMonitorFunction = HRESULT(WINAPI*)(HMONITOR, MONITOR_DPI_TYPE, UINT*, UINT*);
    static const auto get_dpi_for_monitor = [] {
        HMODULE shcore = LoadLibraryExW(L"shcore.dll", nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
        return shcore ? reinterpret_cast<GetDpiForMonitorFunction>(
                            reinterpret_cast<void*>(GetProcAddress(shcore, "GetDpiForMonitor")))
                      : nullptr;
    }();
    UINT x = 0, y = 0;
    if (!get_dpi_for_monitor || FAILED(get_dpi_for_monitor(monitor, MDT_EFFECTIVE_DPI, &x, &y))) return 0;
    return static_cast<int>(y);
}

int screen_dpi() {
    HDC screen = GetDC(nullptr);
    const int dpi = GetDeviceCaps(screen, LOGPIXELSY);
    ReleaseDC(nullptr, screen);
    return dpi > 0 ? dpi : base_dpi;
}

SystemMetricsForDpi system_metrics_for_dpi() {
    static const auto function = reinterpret_cast<SystemMetricsForDpi>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("user32.dll"), "GetSystemMetricsForDpi")));
    return function;
}

int system_metric_at_dpi(int index, int dpi) {
    const SystemMetricsForDpi metric = system_metrics_for_dpi();
    const int value = metric && dpi > 0 ? metric(index, static_cast<UINT>(dpi)) : 0;
    return value > 0 ? value : GetSystemMetrics(index);
}
