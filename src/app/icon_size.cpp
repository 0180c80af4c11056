#include "app/icon_size.h"

IconSizeSource icon_size_source = taskbar_icon_size;

int small_icon_size(UINT primary_dpi, UINT system_dpi, SystemMetricsForDpi metric_for_dpi, int plain_size) {
    const UINT dpi = primary_dpi ? primary_dpi : system_dpi;
    if (metric_for_dpi && dpi) {
        const int size = metric_for_dpi(SM_CXSMICON, dpi);
        if (size > 0) return size;
    }
    return plain_size;
}

int taskbar_icon_size() {
    const HMONITOR primary = MonitorFromPoint(POINT{0, 0}, MONITOR_DEFAULTTOPRIMARY);
    return small_icon_size(static_cast<UINT>(monitor_dpi(primary)), static_cast<UINT>(screen_dpi()),
                           system_metrics_for_dpi(), GetSystemMetrics(SM_CXSMICON));
}
