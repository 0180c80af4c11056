#include "app/program_icon.h"

#include "app/app.h"
#include "app/icon_size.h"
#include "resources/resource.h"

ProgramIconCounts program_icon_counts;

namespace {

struct ProgramIcon {
    int size = 0;
    HICON icon = nullptr;
};

ProgramIcon loaded;

HICON load_at(int id, int size) {
    // Without LR_SHARED: an icon loaded for a size is the caller's to destroy.
    HICON icon = static_cast<HICON>(LoadImageA(instance, MAKEINTRESOURCEA(id), IMAGE_ICON, size, size, 0));
    if (icon) ++program_icon_counts.loaded;
    return icon;
}

using MetricForDpi = int(WINAPI*)(int index, UINT dpi);

MetricForDpi metric_for_dpi() {
    static const auto function = reinterpret_cast<MetricForDpi>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("user32.dll"), "GetSystemMetricsForDpi")));
    return function;
}

}  // namespace

HICON program_icon() {
    if (!loaded.icon) {
        loaded.size = icon_size_source();
        loaded.icon = load_at(IDI_MAIN, loaded.size);
    }
    return loaded.icon;
}

HICON reload_program_icon() {
    const int size = icon_size_source();
    if (!loaded.icon || size == loaded.size) return nullptr;
    HICON replaced = loaded.icon;
    loaded.size = size;
    loaded.icon = load_at(IDI_MAIN, size);
    return replaced;
}

void free_program_icon() {
    destroy_loaded_icon(loaded.icon);
    loaded = ProgramIcon{};
}

HICON load_icon_for_dpi(int id, int dpi) {
    // Without the function (before Windows 10 version 1607) every window has
    // the system's DPI, whose size the plain metric gives.
    const MetricForDpi metric = metric_for_dpi();
    const int size = metric && dpi > 0 ? metric(SM_CXICON, static_cast<UINT>(dpi)) : 0;
    return load_at(id, size > 0 ? size : GetSystemMetrics(SM_CXICON));
}

void destroy_loaded_icon(HICON icon) {
    if (icon && DestroyIcon(icon)) ++program_icon_counts.destroyed;
}
