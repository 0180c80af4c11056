#include "dialogs/config_dialog.h"

#include <commctrl.h>

#include <cstdio>
#include <cstring>

#include "app/app.h"
#include "app/high_contrast.h"
#include "app/live_icon.h"
#include "app/window_options.h"
#include "dialogs/contrast_note.h"
#include "dialogs/control_names.h"
#include "dialogs/interface_list.h"
#include "dialogs/swatches.h"
#include "monitor/counter_source.h"
#include "monitor/traffic_graph.h"
#include "resources/resource.h"
#include "settings/setting_values.h"
#include "settings/settings.h"

ColorSet backup_colors;
BYTE backup_alpha;
COLORREF custom_colors[16];
CHOOSECOLORA color_picker;
TrayIconMode backup_tray_icon_mode;
RateUnits backup_rate_units;

namespace {

// From initialisation to destruction: the slider's preview is in `alpha`.
bool dialog_open = false;

constexpr int text_size = 1024;
constexpr int slider_lowest = 15;  // nearly clear, but never invisible
constexpr int slider_highest = 255;
constexpr std::int32_t unlocked_scale_fallback = 512000;
constexpr char custom_theme[] = "Custom";
constexpr const char* delay_choices[] = {"10", "100", "250", "500", "1000", "5000"};
// In the order of TrayIconMode and of RateUnits: an item's index is its value.
constexpr const char* tray_icon_choices[] = {"Program icon", "Live graph", "Download and upload rates"};
constexpr const char* rate_unit_choices[] = {"Bytes per second (kB/s)", "Bits per second (Mbit/s)"};

HWND item(HWND dialog, int id) {
    return GetDlgItem(dialog, id);
}

bool is_checked(HWND dialog, int id) {
    return SendMessageA(item(dialog, id), BM_GETCHECK, 0, 0) == BST_CHECKED;
}

void check(HWND dialog, int id) {
    SendMessageA(item(dialog, id), BM_SETCHECK, BST_CHECKED, 0);
}

void select_string(HWND list, const char* text) {
    SendMessageA(list, CB_SELECTSTRING, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(text));
}

void set_decimal(HWND dialog, int id, std::int64_t value) {
    char text[text_size];
    std::snprintf(text, sizeof text, "%lld", static_cast<long long>(value));
    SetWindowTextA(item(dialog, id), text);
}

std::int32_t read_decimal(HWND dialog, int id) {
    char text[text_size];
    GetWindowTextA(item(dialog, id), text, sizeof text);
    return read_setting_int(text);
}

std::int64_t read_decimal64(HWND dialog, int id) {
    char text[text_size];
    GetWindowTextA(item(dialog, id), text, sizeof text);
    return read_setting_int64(text);
}

BYTE slider_alpha(HWND dialog) {
    return static_cast<BYTE>(SendMessageA(item(dialog, IDC_ALPHA), TBM_GETPOS, 0, 0) & 0xFF);
}

// The graph, the live icon and the tooltip show every change at once.
void refresh_main_window() {
    SendMessageA(main_window, show_changes_message, 0, 0);
}

void fill_choices(HWND list, const char* const* choices, int count, int selected) {
    for (int i = 0; i < count; ++i) SendMessageA(list, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(choices[i]));
    SendMessageA(list, CB_SETCURSEL, static_cast<WPARAM>(selected), 0);
}

int chosen_index(HWND dialog, int id) {
    return static_cast<int>(SendMessageA(item(dialog, id), CB_GETCURSEL, 0, 0));
}

// The locked maximum is stored in bytes per second whatever the box shows:
// in bits it is eight times that, and the bytes are its eighth, rounded.
std::int64_t shown_rate(std::int64_t bytes, RateUnits units) {
    if (units == RateUnits::bytes) return bytes;
    return bytes > INT64_MAX / 8 ? INT64_MAX : bytes < INT64_MIN / 8 ? INT64_MIN : bytes * 8;
}

std::int64_t rate_in_bytes(std::int64_t shown, RateUnits units) {
    if (units == RateUnits::bytes) return shown;
    return shown >= 0 ? shown / 8 + (shown % 8 >= 4 ? 1 : 0) : -rate_in_bytes(-(shown + 1), units);
}

// The unit label follows the box in the template; a screen reader says it with the box.
void show_lock_units(HWND dialog, RateUnits units) {
    const char* unit = units == RateUnits::bits ? "bits/s" : "bytes/s";
    SetWindowTextA(GetWindow(item(dialog, IDC_LOCK_MAX_VALUE), GW_HWNDNEXT), unit);
    describe_control(dialog, IDC_LOCK_MAX_VALUE, unit);
}

// Labels, tooltip, readout and icon all change units at once.
void apply_rate_units(RateUnits units) {
    if (units == traffic_graph.rate_units) return;
    traffic_graph.rate_units = units;
    reformat_labels(traffic_graph);
    refresh_main_window();
}

// The box keeps the same rate in the other units, if it holds one.
void choose_rate_units(HWND dialog) {
    const RateUnits units = chosen_index(dialog, IDC_RATE_UNITS) == 1 ? RateUnits::bits : RateUnits::bytes;
    if (units == traffic_graph.rate_units) return;
    const std::int64_t shown = read_decimal64(dialog, IDC_LOCK_MAX_VALUE);
    if (shown > 0)
        set_decimal(dialog, IDC_LOCK_MAX_VALUE,
                    shown_rate(rate_in_bytes(shown, traffic_graph.rate_units), units));
    show_lock_units(dialog, units);
    apply_rate_units(units);
}

void choose_tray_icon(HWND dialog) {
    const int chosen = chosen_index(dialog, IDC_TRAY_ICON);
    set_tray_icon_mode(chosen == 1   ? TrayIconMode::graph
                       : chosen == 2 ? TrayIconMode::rates
                                     : TrayIconMode::icon);
}

// Before anything is configured, the adapter of the default route: the first
// name of the list is as often a dead Bluetooth or virtual adapter.
void select_default_route_adapter(HWND list) {
    char name[sizeof traffic_graph.download_interface];
    if (!default_route_instance(name, sizeof name)) return;
    const LRESULT found =
        SendMessageA(list, CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(name));
    if (found >= 0) SendMessageA(list, CB_SETCURSEL, static_cast<WPARAM>(found), 0);
}

// The list starts on the first name and shows the configured one ("*" is shown
// by "Graph all"). An unplugged adapter, or a list that could not be filled,
// must not turn OK into a choice the user never made, so a configured name
// that is not listed becomes an item of its own. Names match without regard
// to case, as the counters do; a mere prefix names another adapter.
void init_interface_list(HWND dialog, int list_id, int graph_all_id, const char* path, const char* name) {
    HWND list = item(dialog, list_id);
    fill_interface_list(path, list);
    if (std::strcmp(name, "*") == 0) {
        check(dialog, graph_all_id);
        return;
    }
    if (!*name) {
        select_default_route_adapter(list);
        return;
    }
    LRESULT found =
        SendMessageA(list, CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(name));
    if (found == CB_ERR) found = SendMessageA(list, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(name));
    if (found >= 0) SendMessageA(list, CB_SETCURSEL, static_cast<WPARAM>(found), 0);
}

void init_config_dialog(HWND dialog) {
    init_interface_list(dialog, IDC_DOWNLOAD_INTERFACE, IDC_DOWNLOAD_GRAPH_ALL,
                        "\\Network Interface(*)\\Bytes Received/sec", traffic_graph.download_interface);
    init_interface_list(dialog, IDC_UPLOAD_INTERFACE, IDC_UPLOAD_GRAPH_ALL,
                        "\\Network Interface(*)\\Bytes Sent/sec", traffic_graph.upload_interface);

    HWND delay_box = item(dialog, IDC_TICK_DELAY);
    for (const char* choice : delay_choices)
        SendMessageA(delay_box, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(choice));
    set_decimal(dialog, IDC_TICK_DELAY, traffic_graph.delay);

    if (always_on_top) check(dialog, IDC_ALWAYS_ON_TOP);

    HWND slider = item(dialog, IDC_ALPHA);
    SendMessageA(slider, TBM_SETRANGE, TRUE, MAKELPARAM(slider_lowest, slider_highest));
    SendMessageA(slider, TBM_SETPOS, TRUE, alpha);
    backup_alpha = alpha;

    if (traffic_graph.locked_max) check(dialog, IDC_LOCK_MAX);
    set_decimal(dialog, IDC_LOCK_MAX_VALUE, shown_rate(traffic_graph.scale_max, traffic_graph.rate_units));
    show_lock_units(dialog, traffic_graph.rate_units);

    HWND theme_list = item(dialog, IDC_THEME);
    for (const ColorTheme* theme = themes; theme->name[0]; ++theme)
        SendMessageA(theme_list, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(theme->name));
    SendMessageA(theme_list, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(custom_theme));
    select_string(theme_list, traffic_graph.theme_name);

    edit_colors = traffic_graph.colors;
    backup_colors = traffic_graph.colors;
    rebuild_swatch_brushes();

    if (traffic_graph.dependent_text_color) check(dialog, IDC_DEPENDENT_TEXT_COLOR);

    backup_tray_icon_mode = tray_icon_mode;
    backup_rate_units = traffic_graph.rate_units;
    fill_choices(item(dialog, IDC_TRAY_ICON), tray_icon_choices, 3, static_cast<int>(tray_icon_mode));
    fill_choices(item(dialog, IDC_RATE_UNITS), rate_unit_choices, 2,
                 static_cast<int>(traffic_graph.rate_units));

    std::memset(&color_picker, 0, sizeof color_picker);
    color_picker.lStructSize = sizeof color_picker;
    color_picker.hwndOwner = dialog;
    color_picker.lpCustColors = custom_colors;
    color_picker.Flags = CC_RGBINIT | CC_FULLOPEN | CC_ANYCOLOR;
}

// A cancelled picker changes nothing.
void pick_color(HWND dialog, int index, int button_id) {
    color_picker.rgbResult = swatch_color(edit_colors, index);
    if (!ChooseColorA(&color_picker)) return;
    swatch_color(edit_colors, index) = color_picker.rgbResult;
    rebuild_swatch_brush(index);
    describe_swatches(dialog, edit_colors);
    InvalidateRect(item(dialog, button_id), nullptr, FALSE);
    // Selecting from code sends no CBN_SELCHANGE, so no theme overrides the pick.
    select_string(item(dialog, IDC_THEME), custom_theme);
}

// "Custom" is no theme: it keeps the working colours and only re-applies them.
void choose_theme(HWND dialog) {
    char name[text_size];
    GetWindowTextA(item(dialog, IDC_THEME), name, sizeof name);
    if (const ColorSet* colors = find_theme(name)) {
        edit_colors = *colors;
        rebuild_swatch_brushes();
        describe_swatches(dialog, edit_colors);
        InvalidateRect(dialog, nullptr, FALSE);
    }
    apply_color_set(edit_colors, traffic_graph);
    refresh_main_window();
}

void cancel_config_dialog(HWND dialog) {
    alpha = backup_alpha;
    apply_transparency();
    apply_color_set(backup_colors, traffic_graph);
    set_tray_icon_mode(backup_tray_icon_mode);
    apply_rate_units(backup_rate_units);
    refresh_main_window();
    EndDialog(dialog, IDCANCEL);
}

// A checked "Graph all" means every interface, whatever the list shows.
void apply_interface_choice(HWND dialog, int graph_all_id, int list_id,
                            void (*select)(TrafficGraph&, const char*)) {
    char name[text_size] = "*";
    if (!is_checked(dialog, graph_all_id)) GetWindowTextA(item(dialog, list_id), name, sizeof name);
    select(traffic_graph, name);
}

void confirm_config_dialog(HWND dialog) {
    apply_interface_choice(dialog, IDC_DOWNLOAD_GRAPH_ALL, IDC_DOWNLOAD_INTERFACE, select_download_interface);
    apply_interface_choice(dialog, IDC_UPLOAD_GRAPH_ALL, IDC_UPLOAD_INTERFACE, select_upload_interface);

    traffic_graph.delay = read_decimal(dialog, IDC_TICK_DELAY);

    const bool on_top = is_checked(dialog, IDC_ALWAYS_ON_TOP);
    apply_always_on_top(on_top);
    always_on_top = on_top ? 1 : 0;

    alpha = slider_alpha(dialog);
    apply_transparency();

    if (is_checked(dialog, IDC_LOCK_MAX)) {
        traffic_graph.locked_max = true;
        const std::int64_t locked =
            rate_in_bytes(read_decimal64(dialog, IDC_LOCK_MAX_VALUE), traffic_graph.rate_units);
        traffic_graph.scale_max = locked > 0 ? locked : unlocked_scale_fallback;
    } else {
        traffic_graph.locked_max = false;
    }

    GetWindowTextA(item(dialog, IDC_THEME), traffic_graph.theme_name, sizeof traffic_graph.theme_name);
    apply_color_set(edit_colors, traffic_graph);
    traffic_graph.dependent_text_color = is_checked(dialog, IDC_DEPENDENT_TEXT_COLOR);
    // The previews are the user's choice now: the window follows the delay,
    // shows them and saves them as such.
    dialog_open = false;
    SendMessageA(main_window, settings_confirmed_message, 0, 0);
    EndDialog(dialog, IDC_CONFIG_OK);
}

INT_PTR on_initdialog(HWND dialog) {
    init_config_dialog(dialog);
    name_controls(dialog, IDD_CONFIG);
    describe_swatches(dialog, edit_colors);
    // A first run opens the dialog before the Main window has looked.
    follow_high_contrast();
    show_contrast_note(dialog);
    dialog_open = true;
    return TRUE;
}

// Only the theme list's code matters; the platform's IDOK (Enter) does nothing.
INT_PTR on_command(HWND dialog, int id, int code) {
    const int swatch = swatch_index(id);
    if (swatch >= 0) {
        pick_color(dialog, swatch, id);
        apply_color_set(edit_colors, traffic_graph);
        refresh_main_window();
    } else if (id == IDC_THEME) {
        if (code == CBN_SELCHANGE) choose_theme(dialog);
    } else if (id == IDC_TRAY_ICON) {
        if (code == CBN_SELCHANGE) choose_tray_icon(dialog);
    } else if (id == IDC_RATE_UNITS) {
        if (code == CBN_SELCHANGE) choose_rate_units(dialog);
    } else if (id == IDCANCEL) {
        cancel_config_dialog(dialog);
    } else if (id == IDC_CONFIG_OK) {
        confirm_config_dialog(dialog);
    }
    return FALSE;
}

// The slider draws itself whenever it moves, which makes this a live preview.
INT_PTR on_notify(HWND dialog, const NMHDR& header) {
    if (header.idFrom != IDC_ALPHA || header.code != static_cast<UINT>(NM_CUSTOMDRAW)) return FALSE;
    alpha = slider_alpha(dialog);
    apply_transparency();
    return TRUE;
}

INT_PTR on_drawitem(const DRAWITEMSTRUCT& drawn) {
    draw_swatch(drawn);
    return FALSE;
}

// High contrast may have come or gone while the dialog is open.
INT_PTR on_syscolorchange(HWND dialog) {
    follow_high_contrast();
    show_contrast_note(dialog);
    return FALSE;
}

INT_PTR on_destroy(HWND dialog) {
    clear_control_names(dialog, IDD_CONFIG);
    free_swatch_brushes();
    dialog_open = false;
    return FALSE;
}

}  // namespace

BYTE confirmed_alpha() {
    return dialog_open ? backup_alpha : alpha;
}

TrayIconMode confirmed_tray_icon_mode() {
    return dialog_open ? backup_tray_icon_mode : tray_icon_mode;
}

RateUnits confirmed_rate_units() {
    return dialog_open ? backup_rate_units : traffic_graph.rate_units;
}

void register_dialog_controls() {
    INITCOMMONCONTROLSEX controls{};
    controls.dwSize = sizeof controls;
    controls.dwICC = ICC_BAR_CLASSES | ICC_LISTVIEW_CLASSES;
    InitCommonControlsEx(&controls);
}

INT_PTR CALLBACK config_dialog_proc(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam) {
    switch (message) {
        case WM_INITDIALOG:
            return on_initdialog(dialog);
        case WM_COMMAND:
            return on_command(dialog, LOWORD(wparam), HIWORD(wparam));
        case WM_NOTIFY:
            return on_notify(dialog, *reinterpret_cast<const NMHDR*>(lparam));
        case WM_DRAWITEM:
            return on_drawitem(*reinterpret_cast<const DRAWITEMSTRUCT*>(lparam));
        case WM_DESTROY:
            return on_destroy(dialog);
        case WM_SYSCOLORCHANGE:
        case WM_SETTINGCHANGE:
            return on_syscolorchange(dialog);
        default:
            return FALSE;
    }
}
