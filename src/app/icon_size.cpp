#include "app/icon_size.h"

#include <shellscalingapi.h>

namespace {

UINT primary_monitor_dpi() {
    using GetDpiForMonitorFunction = HRESULT(WINAPI*)(HMONITOR, MONITOR_DPI_TYPE, UINT*, UINT*);
    static HMODULE shcore = LoadLibraryExW(L"shcore.dll", nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
    static const auto get_dpi_for_monitor =
        shcore ? reinterpret_cast<GetDpiForMonitorFunction>(
                     reinterpret_cast<void*>(GetProcAddress(shcore, "GetDpiForMonitor")))
               : nullptr;
    if (!get_dpi_for_monitor) return 0;
    HMONITOR primary = MonitorFromPoint(POINT{0, 0}, MONITOR_DEFAULTTOPRIMARY);
    UINT x = 0, y = 0;
    return SUCCEEDED(get_dpi_for_monitor(primary, MDT_EFFECTIVE_DPI, &x, &y)) ? y : 0;
}

UINT system_dpi() {
    using GetDpiForSystemFunction = UINT(WINAPI*)();
    static const auto get_dpi_for_system = reinterpret_cast<GetDpiForSystemFunction>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("user32.dll"), "GetDpiForSystem")));
    return get_dpi_for_system ? get_dpi_for_system() : 0;
}

}  // namespace

IconSizeSource icon_size_source = taskbar_icon_size;

int small_icon_size(UINT monitor_dpi, UINT system_dpi, SystemMetricsForDpi metric_for_dpi, int plain_size) {
    const UINT dpi = monitor_dpi ? monitor_dpi : system_dpi;
    if (metric_for_dpi && dpi) {
        const int size = metric_for_dpi(SM_CXSMICON, dpi);
        if (size > 0) return size;
    }
    return plain_size;
}

int taskbar_icon_size() {
    static const auto metric_for_dpi = reinterpret_cast<SystemMetricsForDpi>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("user32.dll"), "GetSystemMetricsForDpi")));
    return small_icon_size(primary_monitor_dpi(), system_dpi(), metric_for_dpi,
                           GetSystemMetrics(SM_CXSMICON));
}
