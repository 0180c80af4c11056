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
    return load_at(id, system_metric_at_dpi(SM_CXICON, dpi));
}

void destroy_loaded_icon(HICON icon) {
    if (icon && DestroyIcon(icon)) ++program_icon_counts.destroyed;
}
