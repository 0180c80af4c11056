// Every persisted setting: its default, how it is applied to the window and
// the traffic graph, and how the current state is written back.
#include "app/apply_settings.h"

#include <windows.h>

#include <cstdio>
#include <cstring>

#include "app/app.h"
#include "app/live_icon.h"
#include "app/modal.h"
#include "app/window_options.h"
#include "app/window_placement.h"
#include "dialogs/config_dialog.h"
#include "dpi.h"
#include "monitor/clock.h"
#include "monitor/traffic_graph.h"
#include "resources/resource.h"
#include "settings/plan_settings.h"
#include "settings/router_settings.h"
#include "settings/setting_keys.h"
#include "settings/setting_values.h"
#include "settings/settings.h"
#include "settings/settings_file.h"
#include "settings/settings_reading.h"
#include "settings/settings_store.h"
#include "settings/usage_keeping.h"

namespace {

constexpr char default_theme[] = "Zombie Mocha";
constexpr char first_run_greeting[] =
    "This seems to be your first time running mivrel.\n"
    "\n"
    "You can customize mivrel by right clicking its window\n"
    "or icon and then selecting \"Configure\".\n"
    "\n"
    "I hope you find this program useful.  Thanks for trying it.  :)";

// The value of a key that the file had, or null.
const char* stored_text(const char* key) {
    const Setting* setting = find_setting(key);
    return setting ? setting->value : nullptr;
}

void apply_interfaces() {
    if (const char* name = stored_text(keys::device_in)) select_download_interface(traffic_graph, name);
    if (const char* name = stored_text(keys::device_out)) select_upload_interface(traffic_graph, name);
}

// A stored name that is no built-in theme ("Custom", or one in other letter
// case) keeps the colours the graph was created with.
void apply_theme() {
    const char* name = stored_text(keys::graph_theme);
    if (!name) {
        name = set_setting(keys::graph_theme, default_theme);
        if (!name) name = default_theme;
    }
    std::snprintf(traffic_graph.theme_name, sizeof traffic_graph.theme_name, "%.63s", name);
    if (std::strcmp(traffic_graph.theme_name, "Custom") == 0) return;
    if (const ColorSet* colors = find_theme(traffic_graph.theme_name))
        apply_color_set(*colors, traffic_graph);
}

// A text setting, its default stored where the file had none.
const char* stored_text_or(const char* key, const char* fallback) {
    if (const char* text = stored_text(key)) return text;
    const char* stored = set_setting(key, fallback);
    return stored ? stored : fallback;
}

void greet_first_run() {
    ModalWindowScope modal;
    MessageBoxA(main_window, first_run_greeting, "mivrel greeting", MB_TASKMODAL | MB_ICONINFORMATION);
    DialogBoxParamA(instance, MAKEINTRESOURCEA(IDD_CONFIG), main_window, config_dialog_proc, 0);
}

// The window's place and outer size on a first run and after a reset, for the
// DPI of the screen that holds it; stored, like every position, in that
// screen's pixels.
struct Placement {
    int left, top, width, height;
};

Placement default_placement(int dpi) {
    return {scale_to_dpi(10, dpi), scale_to_dpi(10, dpi), scale_to_dpi(200, dpi), scale_to_dpi(80, dpi)};
}

}  // namespace

void load_settings() {
    FileRead settings;
    {
        // One wait for both files, however long another program holds them.
        SaveDeadlineScope one_wait_for_both(save_deadline(monotonic_ns()));
        settings = read_settings_at_start();
        load_usage();
    }
    apply_settings();
    settings_applied();
    // app.starts counts saves, so the greeting comes back until the first
    // one; a file that is there, though unread, is no first run.
    if (settings != FileRead::unreadable && get_setting_int(keys::app_starts, 0) == 0) greet_first_run();
}

void apply_settings() {
    const Placement fallback = default_placement(traffic_graph.dpi);
    const int left = get_setting_int(keys::app_left, fallback.left);
    const int top = get_setting_int(keys::app_top, fallback.top);
    const int width = get_setting_int(keys::app_width, fallback.width);
    const int height = get_setting_int(keys::app_height, fallback.height);
    place_main_window(left, top, width, height, true);

    always_on_top = get_setting_int(keys::app_always_on_top, 1) != 0;
    const bool topmost = (GetWindowLongA(main_window, GWL_EXSTYLE) & WS_EX_TOPMOST) != 0;
    if (always_on_top != topmost) apply_always_on_top(always_on_top);

    alpha = static_cast<BYTE>(get_setting_int(keys::app_alpha, 255) & 0xFF);
    apply_transparency();

    apply_interfaces();
    traffic_graph.delay = get_setting_int(keys::graph_delay, 1000);
    traffic_graph.locked_max = get_setting_int(keys::graph_locked_max, 0) != 0;
    traffic_graph.scale_max = get_setting_int64(keys::graph_locked_max_value, 512000);
    apply_theme();
    traffic_graph.dependent_text_color = get_setting_int(keys::graph_dependent_text_color, 0) != 0;
    traffic_graph.rate_units = rate_units_from_text(stored_text_or(keys::graph_rate_units, "bytes"));
    set_tray_icon_mode(tray_icon_mode_from_text(stored_text_or(keys::app_tray_icon, "icon")));
    load_plan_settings();
    load_router_settings();
}

void store_settings() {
    // Maximised or not, the place to come back to.
    const RECT outer = normal_window_rect(main_window);
    set_setting_int(keys::app_left, outer.left);
    set_setting_int(keys::app_top, outer.top);
    set_setting_int(keys::app_width, outer.right - outer.left);
    set_setting_int(keys::app_height, outer.bottom - outer.top);
    set_setting(keys::device_in, traffic_graph.download_interface);
    set_setting(keys::device_out, traffic_graph.upload_interface);
    set_setting_int(keys::graph_delay, traffic_graph.delay);
    set_setting_int(keys::graph_locked_max, traffic_graph.locked_max ? 1 : 0);
    set_setting_int64(keys::graph_locked_max_value, traffic_graph.scale_max);
    set_setting_int(keys::app_always_on_top, always_on_top ? 1 : 0);
    // An opacity the Configuration dialog only previews is not the user's yet.
    set_setting_int(keys::app_alpha, confirmed_alpha());
    set_setting(keys::graph_theme, traffic_graph.theme_name);
    set_setting_int(keys::graph_dependent_text_color, traffic_graph.dependent_text_color ? 1 : 0);
    // Choices the Configuration dialog only previews are not the user's yet.
    set_setting(keys::graph_rate_units, rate_units_text(confirmed_rate_units()));
    set_setting(keys::app_tray_icon, tray_icon_mode_text(confirmed_tray_icon_mode()));
    const char* starts = stored_text(keys::app_starts);
    const std::int32_t saves = starts ? read_setting_int(starts) : 0;
    set_setting_int(keys::app_starts, saves < INT32_MAX ? saves + 1 : saves);
    store_plan_settings();
    store_router_settings();
}

bool save_settings() {
    store_settings();
    return save_stored_settings();
}

bool save_stored_settings() {
    // A path too long for the buffer is refused rather than cut short; the
    // usage file's shorter one may still fit.
    const bool saved = queue_settings_save();
    save_usage();
    return saved;
}

// The default place is the primary screen's corner, whose DPI may not be that
// of the screen the window is on now; (0, 0) is that screen's own corner.
void reset_graph_position() {
    const Placement placement = default_placement(monitor_dpi_at({0, 0}));
    set_setting_int(keys::app_left, placement.left);
    set_setting_int(keys::app_top, placement.top);
    set_setting_int(keys::app_width, placement.width);
    set_setting_int(keys::app_height, placement.height);
    reset_main_window_place(placement.left, placement.top, placement.width, placement.height);
}
