#include "app/live_icon.h"

#include <cstring>
#include <utility>
#include <vector>

#include "app/notification_icon.h"
#include "graph/gdi_guards.h"
#include "monitor/traffic_graph.h"

TrayIconMode tray_icon_mode = TrayIconMode::icon;
LiveIconCounts live_icon_counts;

namespace {

struct CountedImageTraits {
    using Value = HBITMAP;
    static bool held(HBITMAP image) { return image != nullptr; }
    static void let_go(HBITMAP image) {
        if (DeleteObject(image)) ++live_icon_counts.images_deleted;
    }
};
using CountedImage = Scoped<CountedImageTraits>;

struct CountedIconTraits {
    using Value = HICON;
    static bool held(HICON icon) { return icon != nullptr; }
    static void let_go(HICON icon) {
        if (DestroyIcon(icon)) ++live_icon_counts.icons_destroyed;
    }
};
using CountedIcon = Scoped<CountedIconTraits>;

CountedImage counted(HBITMAP image) {
    if (image) ++live_icon_counts.images_made;
    return CountedImage(image);
}

// The two images an icon is made from stay for as long as the size does: the
// system copies them into each icon, so a tick makes one icon and nothing else.
struct LiveIcon {
    int size = 0;  // 0: not read yet
    CountedImage colour;
    std::uint32_t* colour_bits = nullptr;  // bottom-up, 0xAARRGGBB
    CountedImage mask;                     // all clear: the alpha channel decides
    CountedIcon icon;
    std::vector<std::uint32_t> shown;  // top-down pixels of `icon`
    std::vector<std::uint32_t> drawn;
};

LiveIcon live;

// What the notification area shows, sample by sample; kept in every mode, as
// the tooltip shows its rates too.
TraySamples tray_samples;

bool make_images(int size) {
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = size;
    info.bmiHeader.biHeight = size;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    live.colour = counted(CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
    live.colour_bits = static_cast<std::uint32_t*>(bits);
    const std::vector<BYTE> clear(static_cast<std::size_t>((size + 15) / 16 * 2) * size, 0);
    live.mask = counted(CreateBitmap(size, size, 1, 1, clear.data()));
    return live.colour.get() && live.colour_bits && live.mask.get();
}

void free_images() {
    live.colour_bits = nullptr;
    live.colour.release();
    live.mask.release();
}

CountedIcon make_icon(const std::vector<std::uint32_t>& pixels, int size) {
    GdiFlush();
    for (int y = 0; y < size; ++y)
        std::memcpy(live.colour_bits + static_cast<std::size_t>(size - 1 - y) * size,
                    pixels.data() + static_cast<std::size_t>(y) * size, sizeof(std::uint32_t) * size);
    ICONINFO info{};
    info.fIcon = TRUE;
    info.hbmMask = static_cast<HBITMAP>(live.mask.get());
    info.hbmColor = static_cast<HBITMAP>(live.colour.get());
    HICON icon = CreateIconIndirect(&info);
    if (icon) ++live_icon_counts.icons_made;
    return CountedIcon(icon);
}

// `force`: draw even when the pixels are those shown (a new size or mode).
void draw(bool force) {
    if (tray_icon_mode == TrayIconMode::icon) return;
    if (live.size == 0) live.size = icon_size_source();
    const int size = live.size;
    if (!live.colour.get() && !make_images(size)) {
        free_images();
        return;
    }
    live.drawn.resize(static_cast<std::size_t>(size) * size);
    const TrayIconFigures figures = tray_figures(tray_samples, traffic_graph.delay);
    if (!paint_tray_icon(traffic_graph, figures, tray_icon_mode, size, live.drawn.data())) return;
    if (!force && live.icon.get() && live.drawn == live.shown) return;
    CountedIcon next = make_icon(live.drawn, size);
    if (!next.get()) return;
    show_notification_image(next.get());
    live.icon = std::move(next);  // the shell has the new one: the old one goes
    std::swap(live.shown, live.drawn);
}

}  // namespace

HICON live_icon() {
    return tray_icon_mode == TrayIconMode::icon ? nullptr : live.icon.get();
}

void set_tray_icon_mode(TrayIconMode mode) {
    if (mode == tray_icon_mode && (mode == TrayIconMode::icon || live.icon.get())) return;
    tray_icon_mode = mode;
    if (mode == TrayIconMode::icon) {
        show_notification_image(nullptr);
        free_live_icon();
        return;
    }
    draw(true);
}

void refresh_live_icon() {
    draw(false);
}

void live_icon_metrics_changed() {
    const int size = icon_size_source();
    if (size == live.size) return;
    live.size = size;
    free_images();
    live.shown.clear();
    draw(true);
}

void free_live_icon() {
    live.icon.release();
    free_images();
    live.shown.clear();
    live.drawn.clear();
    clear_tray_samples(tray_samples);
}

void note_tray_sample(std::int64_t now_ns) {
    if (traffic_graph.count <= 0 || traffic_graph.capacity <= 0 || !traffic_graph.download_history ||
        !traffic_graph.upload_history)
        return;
    const std::int32_t newest = (traffic_graph.head + traffic_graph.capacity - 1) % traffic_graph.capacity;
    add_tray_sample(tray_samples, now_ns, traffic_graph.delay,
                    {traffic_graph.download_history[newest], traffic_graph.upload_history[newest]});
}

bool tray_rates_known() {
    return tray_samples.recent_count > 0;
}

TrayRates shown_tray_rates() {
    return tray_rates(tray_samples, traffic_graph.delay);
}
