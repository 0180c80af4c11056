// The Configuration dialog, driven through its controls.
#include <windows.h>

#include <commctrl.h>

#include <cstdlib>
#include <cstring>
#include <string>

#include "app/app.h"
#include "app/live_icon.h"
#include "app/window_options.h"
#include "dialog_driver.h"
#include "dialog_fixture.h"
#include "dialogs/config_dialog.h"
#include "dialogs/swatches.h"
#include "graph/paint_graph_cases.h"
#include "monitor/traffic_graph.h"
#include "resources/resource.h"
#include "support/gdi_probe.h"
#include "support/scripted_counters.h"

namespace {

constexpr char title[] = "Configuration";
// Controls of the platform's colour picker (its template's red, green and blue
// fields and its "Add to Custom Colors" button).
constexpr int picker_red = 0x2C2;
constexpr int picker_green = 0x2C3;
constexpr int picker_blue = 0x2C4;
constexpr int picker_add = 0x2C8;
constexpr int swatch_ids[] = {IDC_BACKGROUND_SWATCH, IDC_DOWNLOAD_SWATCH, IDC_UPLOAD_SWATCH,
                              IDC_OVERLAPPED_SWATCH, IDC_TEXT_LABELS_SWATCH};

const ColorSet& theme(const char* name) {
    const ColorSet* colors = find_theme(name);
    EXPECT_NE(colors, nullptr) << name;
    static const ColorSet none{};
    return colors ? *colors : none;
}

void use_theme(const char* name) {
    std::strcpy(traffic_graph.theme_name, name);
    apply_color_set(theme(name), traffic_graph);
}

// The swatches as drawn on screen, in member order.
ColorSet swatches_on_screen(HWND dialog) {
    COLORREF shown[5];
    for (int i = 0; i < 5; ++i) {
        HWND swatch = GetDlgItem(dialog, swatch_ids[i]);
        Capture capture = capture_client(swatch);
        shown[i] = capture.width > 0 ? capture.at(capture.width / 2, capture.height / 2) : 0xFFFFFFFF;
    }
    return ColorSet{shown[0], shown[1], shown[2], shown[3], shown[4]};
}

// What the Main window shows: layered with this alpha, or opaque (255) and unlayered.
int window_alpha() {
    if (!(GetWindowLongA(main_window, GWL_EXSTYLE) & WS_EX_LAYERED)) return 255;
    BYTE shown = 0;
    DWORD flags = 0;
    GetLayeredWindowAttributes(main_window, nullptr, &shown, &flags);
    return (flags & LWA_ALPHA) ? shown : -1;
}

void press_escape(HWND dialog) {
    press_key(GetDlgItem(dialog, IDC_LOCK_MAX), VK_ESCAPE);
}

bool run_config(const std::vector<UiStep>& steps, const std::vector<UiStep>& standing = {}) {
    return run_with_steps([] { open_dialog(IDD_CONFIG, config_dialog_proc); }, steps, 10000, standing);
}

// Moves the slider from the keyboard and lets it draw itself, as it does on screen.
void move_slider(HWND dialog, WORD key) {
    HWND slider = GetDlgItem(dialog, IDC_ALPHA);
    SetFocus(slider);
    SendMessageA(slider, WM_KEYDOWN, key, 1);
    SendMessageA(slider, WM_KEYUP, key, 0xC0000001);
    UpdateWindow(slider);
}

// Sets the picker's red, green and blue fields, as typed, then confirms it.
void pick_in_color_picker(HWND picker, COLORREF color, bool add_to_custom) {
    SetDlgItemInt(picker, picker_red, GetRValue(color), FALSE);
    SetDlgItemInt(picker, picker_green, GetGValue(color), FALSE);
    SetDlgItemInt(picker, picker_blue, GetBValue(color), FALSE);
    if (add_to_custom) click(picker, picker_add);
    click(picker, IDOK);
}

using ConfigDialogTest = DialogTest;

TEST_F(ConfigDialogTest, OpeningAndCancellingChangesNothing) {
    use_theme("Plum");
    alpha = 200;
    apply_transparency();
    std::strcpy(traffic_graph.download_interface, "eth0");
    traffic_graph.scale_max = 777;
    const TrafficGraph before = traffic_graph;
    std::string seen_download, seen_delay, seen_lock, seen_theme;
    ColorSet seen_swatches{};
    ASSERT_TRUE(run_config({{title, [&](HWND dialog) {
                                 seen_download = control_text(dialog, IDC_DOWNLOAD_INTERFACE);
                                 seen_delay = control_text(dialog, IDC_TICK_DELAY);
                                 seen_lock = control_text(dialog, IDC_LOCK_MAX_VALUE);
                                 seen_theme = control_text(dialog, IDC_THEME);
                                 seen_swatches = swatches_on_screen(dialog);
                                 press_escape(dialog);
                             }}}));
    EXPECT_EQ(seen_download, "eth0");
    EXPECT_EQ(seen_delay, "1000");
    EXPECT_EQ(seen_lock, "777");
    EXPECT_EQ(seen_theme, "Plum");
    EXPECT_TRUE(seen_swatches == theme("Plum"));
    EXPECT_EQ(alpha, 200);
    EXPECT_EQ(window_alpha(), 200);
    EXPECT_TRUE(traffic_graph.colors == before.colors);
    EXPECT_STREQ(traffic_graph.theme_name, "Plum");
    EXPECT_EQ(traffic_graph.delay, 1000);
    EXPECT_EQ(traffic_graph.scale_max, 777);
    EXPECT_STREQ(traffic_graph.download_interface, "eth0");
    EXPECT_EQ(read_settings_file(), "");
    for (HBRUSH brush : swatch_brushes) EXPECT_EQ(brush, nullptr);
}

TEST_F(ConfigDialogTest, AlphaBelowTheSliderShowsAsItsLowestAndComesBackOnCancel) {
    alpha = 5;
    apply_transparency();
    int shown_alpha = -1, slider = -1;
    ASSERT_TRUE(run_config({{title, [&](HWND dialog) {
                                 slider = static_cast<int>(
                                     SendDlgItemMessageA(dialog, IDC_ALPHA, TBM_GETPOS, 0, 0));
                                 shown_alpha = window_alpha();
                                 press_escape(dialog);
                             }}}));
    EXPECT_EQ(slider, 15);
    EXPECT_EQ(shown_alpha, 15);
    EXPECT_EQ(alpha, 5);
    EXPECT_EQ(window_alpha(), 5);
}

TEST_F(ConfigDialogTest, SliderEndsGiveNearlyClearAndOpaqueAtOnce) {
    alpha = 128;
    apply_transparency();
    int at_left = -1, at_right = -1;
    ASSERT_TRUE(run_config({{title, [&](HWND dialog) {
                                 move_slider(dialog, VK_HOME);
                                 at_left = window_alpha();
                                 move_slider(dialog, VK_END);
                                 at_right = window_alpha();
                                 click(dialog, IDC_CONFIG_OK);
                             }}}));
    EXPECT_EQ(at_left, 15);
    EXPECT_EQ(at_right, 255);
    EXPECT_EQ(alpha, 255);
    EXPECT_FALSE(GetWindowLongA(main_window, GWL_EXSTYLE) & WS_EX_LAYERED);
}

std::string lock_unit_text(HWND dialog) {
    char text[32] = "";
    GetWindowTextA(GetWindow(GetDlgItem(dialog, IDC_LOCK_MAX_VALUE), GW_HWNDNEXT), text, sizeof text);
    return text;
}

// Both choices preview at once (the live icon, the labels and the lock box in
// bits) and Escape puts back the program's icon and bytes. OK keeps them and
// saves them with the opacity shown; a lock typed in bits is stored in bytes, rounded.
TEST_F(ConfigDialogTest, IconAndUnitsPreviewComeBackOnCloseAndSaveOnOk) {
    paint_cases::size_graph(traffic_graph, 10, 40);
    paint_cases::push_sample(traffic_graph, 11775000, 1000);
    traffic_graph.scale_max = 1000;
    reformat_labels(traffic_graph);
    std::string seen[4];  // icon choice, download label, lock box, lock unit
    HICON icon = nullptr;
    const auto preview = [&](HWND dialog) {
        seen[0] = control_text(dialog, IDC_TRAY_ICON);
        choose_item(dialog, IDC_TRAY_ICON, "Live graph");
        choose_item(dialog, IDC_RATE_UNITS, "Bits per second (Mbit/s)");
        icon = live_icon();
        seen[1] = traffic_graph.download_label;
        seen[2] = control_text(dialog, IDC_LOCK_MAX_VALUE);
        seen[3] = lock_unit_text(dialog);
    };
    ASSERT_TRUE(run_config({{title, [&](HWND dialog) {
                                 preview(dialog);
                                 press_escape(dialog);
                             }}}));
    EXPECT_EQ(seen[0] + "|" + seen[1] + "|" + seen[2] + "|" + seen[3],
              "Program icon|Down:  94.2 Mbit/s|8000|bits/s");
    EXPECT_NE(icon, nullptr);
    EXPECT_EQ(live_icon(), nullptr);
    EXPECT_EQ(traffic_graph.rate_units, RateUnits::bytes);
    EXPECT_STREQ(traffic_graph.download_label, "Down:  11.2 mB/s");
    EXPECT_EQ(read_settings_file(), "");

    ASSERT_TRUE(run_config({{title, [&](HWND dialog) {
                                 preview(dialog);
                                 click(dialog, IDC_LOCK_MAX);
                                 type_text(dialog, IDC_LOCK_MAX_VALUE, "1000004");
                                 move_slider(dialog, VK_HOME);
                                 click(dialog, IDC_CONFIG_OK);
                             }}}));
    EXPECT_EQ(traffic_graph.scale_max, 125001);
    EXPECT_NE(live_icon(), nullptr);
    const std::string saved = read_settings_file();
    for (const char* line : {"app.tray_icon\tgraph\n", "graph.rate_units\tbits\n",
                             "graph.locked_max_value\t125001\n", "app.alpha\t15\n"})
        EXPECT_NE(saved.find(line), std::string::npos) << line;
    set_tray_icon_mode(TrayIconMode::icon);
}

TEST_F(ConfigDialogTest, ThemeRecoloursAtOnceAndAPickMakesItCustom) {
    use_theme("Classic");
    const COLORREF picked = RGB(12, 200, 99);
    ColorSet after_rust_record{}, after_rust_screen{}, after_pick_screen{};
    COLORREF rust_download_pen = 0;
    std::string theme_after_pick;
    ASSERT_TRUE(run_config({{title,
                             [&](HWND dialog) {
                                 choose_item(dialog, IDC_THEME, "Rust");
                                 after_rust_record = traffic_graph.colors;
                                 rust_download_pen = pen_color(traffic_graph.download_pen);
                             }},
                            {title,
                             [&](HWND dialog) {
                                 after_rust_screen = swatches_on_screen(dialog);
                                 click(dialog, IDC_DOWNLOAD_SWATCH);
                             }},
                            {"Color", [&](HWND picker) { pick_in_color_picker(picker, picked, true); }},
                            {title, [&](HWND dialog) {
                                 after_pick_screen = swatches_on_screen(dialog);
                                 theme_after_pick = control_text(dialog, IDC_THEME);
                                 click(dialog, IDC_CONFIG_OK);
                             }}}));
    const ColorSet rust = theme("Rust");
    EXPECT_TRUE(after_rust_record == rust);
    EXPECT_EQ(rust_download_pen, rust.download);
    EXPECT_TRUE(after_rust_screen == rust);

    ColorSet expected = rust;
    expected.download = picked;
    EXPECT_TRUE(after_pick_screen == expected);
    EXPECT_TRUE(traffic_graph.colors == expected);
    EXPECT_EQ(pen_color(traffic_graph.download_pen), picked);
    EXPECT_EQ(theme_after_pick, "Custom");
    EXPECT_STREQ(traffic_graph.theme_name, "Custom");
    EXPECT_NE(read_settings_file().find("graph.theme\tCustom\n"), std::string::npos);
    EXPECT_EQ(custom_colors[0], picked);
}

// The picker is handed the process-wide custom colours every time.
TEST_F(ConfigDialogTest, CustomColoursComeBackAndACancelledPickChangesNothing) {
    const COLORREF remembered = RGB(12, 200, 99);
    custom_colors[0] = remembered;
    use_theme("Gray");
    int remembered_pixels = 0;
    std::string theme_shown;
    ASSERT_TRUE(run_config({{title, [&](HWND dialog) { click(dialog, IDC_UPLOAD_SWATCH); }},
                            {"Color",
                             [&](HWND picker) {
                                 remembered_pixels = capture_client(picker).count(remembered);
                                 click(picker, IDCANCEL);
                             }},
                            {title, [&](HWND dialog) {
                                 theme_shown = control_text(dialog, IDC_THEME);
                                 press_escape(dialog);
                             }}}));
    EXPECT_GT(remembered_pixels, 20);
    EXPECT_EQ(theme_shown, "Gray");
    EXPECT_TRUE(traffic_graph.colors == theme("Gray"));
}

TEST_F(ConfigDialogTest, ChoosingCustomChangesNoColour) {
    use_theme("Bile");
    traffic_graph.colors.upload = RGB(1, 2, 3);  // a pick made earlier
    rebuild_pens(traffic_graph);
    const ColorSet before = traffic_graph.colors;
    ColorSet record{}, screen{};
    ASSERT_TRUE(run_config({{title, [&](HWND dialog) { choose_item(dialog, IDC_THEME, "Custom"); }},
                            {title, [&](HWND dialog) {
                                 record = traffic_graph.colors;
                                 screen = swatches_on_screen(dialog);
                                 press_escape(dialog);
                             }}}));
    EXPECT_TRUE(record == before);
    EXPECT_TRUE(screen == before);
}

TEST_F(ConfigDialogTest, GraphAllKeepsTheWildcardWhateverTheListShows) {
    select_download_interface(traffic_graph, "*");
    select_upload_interface(traffic_graph, "eth0");
    bool download_all = false, upload_all = true;
    ASSERT_TRUE(run_config({{title, [&](HWND dialog) {
                                 download_all = is_checked(dialog, IDC_DOWNLOAD_GRAPH_ALL);
                                 upload_all = is_checked(dialog, IDC_UPLOAD_GRAPH_ALL);
                                 choose_item(dialog, IDC_DOWNLOAD_INTERFACE, "lo");
                                 choose_item(dialog, IDC_UPLOAD_INTERFACE, "lo");
                                 click(dialog, IDC_CONFIG_OK);
                             }}}));
    EXPECT_TRUE(download_all);
    EXPECT_FALSE(upload_all);
    EXPECT_STREQ(traffic_graph.download_interface, "*");
    EXPECT_STREQ(traffic_graph.upload_interface, "lo");
}

// OK restarts the stopped sample timer with the typed delay; one below the
// platform's shortest period, even below zero, ticks at that period instead
// of stopping the graph.
TEST_F(ConfigDialogTest, DelayRestartsTheSampleTimer) {
    for (const char* typed : {"250", "-5", "-2147483648"}) {
        ASSERT_TRUE(run_config({{title, [&](HWND dialog) {
                                     KillTimer(main_window, sample_timer_id);  // only OK may start it again
                                     type_text(dialog, IDC_TICK_DELAY, typed);
                                     click(dialog, IDC_CONFIG_OK);
                                 }}}));
        EXPECT_EQ(traffic_graph.delay, std::atoi(typed));
        sample_ticks.clear();
        EXPECT_TRUE(pump_until([] { return !sample_ticks.empty(); }, 5000)) << typed << ": no tick after OK";
    }
}

// OK keeps the configured interface unless the user chose another: not for
// an unplugged adapter, a name that only begins a listed one, or lists that
// could not be filled.
TEST_F(ConfigDialogTest, ConfiguredInterfaceThatIsNotListedIsShownAndKept) {
    const struct {
        const char* configured;
        bool failing;
    } cases[] = {{"usb0", false}, {"eth", false}, {"eth0", true}};
    UiStep answer{"Error", [](HWND box) { click(box, IDOK); }};
    for (const auto& entry : cases) {
        select_download_interface(traffic_graph, entry.configured);
        select_upload_interface(traffic_graph, entry.configured);
        scripted_set_failing(entry.failing);
        std::string shown;
        ASSERT_TRUE(run_config({{title,
                                 [&](HWND dialog) {
                                     shown = control_text(dialog, IDC_DOWNLOAD_INTERFACE);
                                     click(dialog, IDC_CONFIG_OK);
                                 }}},
                               {answer}));
        EXPECT_EQ(shown, entry.configured);
        EXPECT_STREQ(traffic_graph.download_interface, entry.configured);
        EXPECT_STREQ(traffic_graph.upload_interface, entry.configured);
    }
}

// Nothing configured yet: the adapter of the default route, not the first name.
TEST_F(ConfigDialogTest, FirstRunPreselectsTheDefaultRouteAdapter) {
    scripted_add("Wi-Fi", true);
    const int second_wifi = scripted_add("Wi-Fi", true);
    const struct {
        const char* configured;
        int route;
        const char* shown;
    } cases[] = {{"", second_wifi, "Wi-Fi _2"}, {"lo", second_wifi, "lo"}, {"", -1, "eth0"}};
    for (const auto& entry : cases) {
        select_download_interface(traffic_graph, entry.configured);
        select_upload_interface(traffic_graph, entry.configured);
        scripted_set_default_route(entry.route);
        std::string download, upload;
        ASSERT_TRUE(run_config({{title, [&](HWND dialog) {
                                     download = control_text(dialog, IDC_DOWNLOAD_INTERFACE);
                                     upload = control_text(dialog, IDC_UPLOAD_INTERFACE);
                                     press_escape(dialog);
                                 }}}));
        EXPECT_EQ(download, entry.shown) << entry.configured;
        EXPECT_EQ(upload, entry.shown) << entry.configured;
    }
}

TEST_F(ConfigDialogTest, DelayThatIsNoNumberGivesZero) {
    ASSERT_TRUE(run_config({{title, [&](HWND dialog) {
                                 type_text(dialog, IDC_TICK_DELAY, "soon");
                                 click(dialog, IDC_CONFIG_OK);
                             }}}));
    EXPECT_EQ(traffic_graph.delay, 0);
}

TEST_F(ConfigDialogTest, LockedMaximumFallsBackUnlessPositive) {
    struct Case {
        const char* typed;
        bool checked;
        std::int64_t stored;
    };
    const Case cases[] = {{"-5", true, 512000},
                          {"0", true, 512000},
                          {"lots", true, 512000},
                          {"2048", true, 2048},
                          {"6442450944", true, INT64_C(6442450944)},
                          {"2048", false, 777}};
    for (const Case& entry : cases) {
        traffic_graph.scale_max = 777;
        traffic_graph.locked_max = !entry.checked;
        ASSERT_TRUE(run_config({{title, [&](HWND dialog) {
                                     set_checked(dialog, IDC_LOCK_MAX, entry.checked);
                                     type_text(dialog, IDC_LOCK_MAX_VALUE, entry.typed);
                                     click(dialog, IDC_CONFIG_OK);
                                 }}}));
        EXPECT_EQ(traffic_graph.locked_max, entry.checked) << entry.typed;
        EXPECT_EQ(traffic_graph.scale_max, entry.stored) << entry.typed << (entry.checked ? " locked" : "");
    }
}

TEST_F(ConfigDialogTest, LeftoverThemeNameShowsNoSelectionAndStoresEmpty) {
    std::strcpy(traffic_graph.theme_name, "Midnight Teal");
    LRESULT selected = 0;
    ASSERT_TRUE(run_config({{title, [&](HWND dialog) {
                                 selected = SendDlgItemMessageA(dialog, IDC_THEME, CB_GETCURSEL, 0, 0);
                                 click(dialog, IDC_CONFIG_OK);
                             }}}));
    EXPECT_EQ(selected, CB_ERR);
    EXPECT_STREQ(traffic_graph.theme_name, "");
}

TEST_F(ConfigDialogTest, EnterKeyDoesNothing) {
    bool still_open = false;
    ASSERT_TRUE(run_config({{title,
                             [&](HWND dialog) {
                                 type_text(dialog, IDC_TICK_DELAY, "250");
                                 HWND box = GetDlgItem(dialog, IDC_ALWAYS_ON_TOP);
                                 SetFocus(box);
                                 press_key(box, VK_RETURN);
                             }},
                            {title, [&](HWND dialog) {
                                 still_open = IsWindowVisible(dialog);
                                 press_escape(dialog);
                             }}}));
    EXPECT_TRUE(still_open);
    EXPECT_EQ(traffic_graph.delay, 1000);
    EXPECT_EQ(read_settings_file(), "");
}

TEST_F(ConfigDialogTest, FailingSourceReportsOncePerListAndLeavesThemEmpty) {
    scripted_set_failing(true);
    std::vector<std::string> messages;
    UiStep answer{"Error", [&](HWND box) {
                      messages.push_back(control_text(box, 0xFFFF));
                      click(box, IDOK);
                  }};
    LRESULT downloads = -1, uploads = -1;
    ASSERT_TRUE(run_config({{title,
                             [&](HWND dialog) {
                                 downloads =
                                     SendDlgItemMessageA(dialog, IDC_DOWNLOAD_INTERFACE, CB_GETCOUNT, 0, 0);
                                 uploads =
                                     SendDlgItemMessageA(dialog, IDC_UPLOAD_INTERFACE, CB_GETCOUNT, 0, 0);
                                 press_escape(dialog);
                             }}},
                           {answer}));
    EXPECT_EQ(messages,
              (std::vector<std::string>{"PdhExpandCounterPath failed.", "PdhExpandCounterPath failed."}));
    EXPECT_EQ(downloads, 0);
    EXPECT_EQ(uploads, 0);
}

}  // namespace
