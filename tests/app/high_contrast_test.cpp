// High contrast against a real Main window: its flag through a seam (Wine
// always answers off), its colours through SetSysColors, which Wine sends on
// as WM_SYSCOLORCHANGE; and no GDI object or icon left over across thousands
// of ticks with changes of scale and of contrast between them.
#include <windows.h>

#include <gtest/gtest.h>

#include <vector>

#include "app/app.h"
#include "app/high_contrast.h"
#include "app/live_icon.h"
#include "app/notification_icon.h"
#include "app/program_icon.h"
#include "app/window_options.h"
#include "graph/contrast_gdi.h"
#include "graph/usage_chart_win.h"
#include "monitor/traffic_graph.h"
#include "settings/settings.h"
#include "settings/settings_win_test_support.h"
#include "support/gdi_probe.h"
#include "support/icon_pixels.h"
#include "support/message_pump.h"
#include "support/scripted_counters.h"
#include "support/window_capture.h"

namespace {

bool contrast_flag = false;

// The session's colours belong to every program of the logon: each test puts back what it found.
class SystemColoursGuard {
public:
    SystemColoursGuard() {
        for (int i = 0; i < 4; ++i) saved[i] = GetSysColor(elements[i]);
    }
    ~SystemColoursGuard() { SetSysColors(4, elements, saved); }
    void set(const SystemColours& colours) const {
        const COLORREF values[] = {colours.window, colours.window_text, colours.highlight, colours.hotlight};
        SetSysColors(4, elements, values);
    }
    static constexpr INT elements[4] = {COLOR_WINDOW, COLOR_WINDOWTEXT, COLOR_HIGHLIGHT, COLOR_HOTLIGHT};
    COLORREF saved[4];
};

class HighContrast : public MainWindowTest {
protected:
    void SetUp() override {
        MainWindowTest::SetUp();
        contrast_flag = false;
        read_high_contrast = [] { return contrast_flag; };
    }
    void TearDown() override {
        contrast_flag = false;
        if (window) SendMessageA(window, WM_SYSCOLORCHANGE, 0, 0);
        set_tray_icon_mode(TrayIconMode::icon);
        MainWindowTest::TearDown();
        read_high_contrast = system_high_contrast;
        icon_size_source = taskbar_icon_size;
    }

    std::uint32_t client_pixel(int x, int y) const {
        RECT client{};
        GetClientRect(window, &client);
        UpdateWindow(window);
        return capture_window(window, client.right, client.bottom)[y * client.right + x];
    }
};

constexpr SystemColours contrast_black = {0x000000, 0xFFFFFF, 0xFFEB1A, 0x00FFFF};

// On: the window opaque and painted in the system's colours, the live icon
// too; the user's theme and transparency untouched and saved as they were.
// Off again: all back, without a restart.
TEST_F(HighContrast, SwitchingItOnAndOffRepaintsWithoutARestart) {
    write_settings(settings_lines({{"graph.delay", "60000"},
                                   {"app.starts", "3"},
                                   {"graph.theme", "Classic"},
                                   {"app.alpha", "128"},
                                   {"app.tray_icon", "graph"}}));
    ASSERT_NE(open_window(), nullptr);
    ShowWindow(window, SW_SHOWNOACTIVATE);
    SendMessageA(window, WM_TIMER, sample_timer_id, 0);
    ASSERT_TRUE(extended_style() & WS_EX_LAYERED);
    SystemColoursGuard colours;

    contrast_flag = true;
    colours.set(contrast_black);
    pump_messages(50);
    ASSERT_TRUE(high_contrast_on()) << "SetSysColors reached the window";
    EXPECT_TRUE(traffic_graph.contrast.colors ==
                (ColorSet{0x000000, 0xFFEB1A, 0x00FFFF, 0xFFFFFF, 0xFFFFFF}));
    EXPECT_FALSE(extended_style() & WS_EX_LAYERED) << "opaque while it is on";
    EXPECT_EQ(alpha, 128);
    EXPECT_EQ(client_pixel(100, 40), 0x000000u) << "the background is COLOR_WINDOW";
    int size = 0;
    const std::vector<std::uint32_t> icon = icon_pixels(live_icon(), size);
    ASSERT_EQ(size, 16);
    EXPECT_EQ(icon[0] & 0xFFFFFFu, 0xFFFFFFu) << "the icon's frame in COLOR_WINDOWTEXT";
    EXPECT_EQ(icon[16 + 1] & 0xFFFFFFu, 0x000000u) << "inside, COLOR_WINDOW";
    save_settings();
    const std::string saved = read_settings();
    EXPECT_NE(saved.find("graph.theme\tClassic\n"), std::string::npos);
    EXPECT_NE(saved.find("app.alpha\t128\n"), std::string::npos);

    contrast_flag = false;
    colours.set({colours.saved[0], colours.saved[1], colours.saved[2], colours.saved[3]});
    pump_messages(50);
    EXPECT_FALSE(high_contrast_on());
    EXPECT_TRUE(extended_style() & WS_EX_LAYERED);
    EXPECT_TRUE(traffic_graph.colors == *find_theme("Classic"));
}

// 5,000 ticks, each of which draws a new live icon (or sends a new tooltip
// beside the program's icon); between them the scale changes and high
// contrast comes and goes, and the graph and the Usage chart are painted.
// Every icon, image, pen and brush made is let go of.
TEST_F(HighContrast, NothingIsLeftOverAcrossTicksScalesAndSwitches) {
    // The shell copies each icon it is given: what it holds is not ours to count.
    struct ShellGuard {
        ShellNotifyIcon real = shell_notify_icon;
        ~ShellGuard() { shell_notify_icon = real; }
    } shell;
    shell_notify_icon = [](DWORD, NOTIFYICONDATAA*) -> BOOL { return TRUE; };
    const LiveIconCounts icons = live_icon_counts;
    const ProgramIconCounts programs = program_icon_counts;
    const ContrastGdiCounts gdi = contrast_gdi_counts;
    const int objects_before = live_gdi_objects();
    static int size_now = 16;
    icon_size_source = [] { return size_now; };
    write_settings(
        settings_lines({{"graph.delay", "60000"}, {"app.starts", "3"}, {"app.tray_icon", "graph"}}));
    ASSERT_NE(open_window(), nullptr);
    const int eth = scripted_add("eth0", true);
    select_download_interface(traffic_graph, "eth0");
    select_upload_interface(traffic_graph, "eth0");

    UsageChartBar bars[31];
    for (int i = 0; i < 31; ++i) bars[i] = {std::uint64_t(i) * 1000, std::uint64_t(i) * 700, i % 7 == 0};
    const UsageChartGeometry chart = usage_chart_geometry(300, 120, 96, 13, bars, 31);
    char labels[31][8] = {};
    const UsageChartTexts texts{"31 kB", labels, bars, 3, false};
    HDC screen = GetDC(window);

    const int sizes[] = {16, 20, 24, 28, 32};
    const TrayIconMode modes[] = {TrayIconMode::graph, TrayIconMode::rates, TrayIconMode::icon};
    for (int i = 0; i < 5000; ++i) {
        if (i % 250 == 0) {
            size_now = sizes[(i / 250) % 5];
            RECT outer{};
            GetWindowRect(window, &outer);
            const int dpi = size_now * 6;
            SendMessageA(window, WM_DPICHANGED, MAKEWPARAM(dpi, dpi), reinterpret_cast<LPARAM>(&outer));
        }
        if (i % 400 == 200) {
            contrast_flag = !contrast_flag;
            SendMessageA(window, WM_SYSCOLORCHANGE, 0, 0);
        }
        if (i % 1700 == 0) set_tray_icon_mode(modes[i / 1700]);
        scripted_add_counts(eth, (i * 7919) % 50000, (i * 104729) % 30000);
        scripted_advance_ms(1000);
        SendMessageA(window, WM_TIMER, sample_timer_id, 0);
        if (i % 25 == 0) {
            paint_graph(traffic_graph, screen);
            paint_usage_chart(screen, chart, texts,
                              shown_palette(traffic_graph.colors, traffic_graph.contrast),
                              traffic_graph.font);
        }
        const bool live = tray_icon_mode != TrayIconMode::icon;
        ASSERT_EQ(live_icon_counts.icons_made - live_icon_counts.icons_destroyed,
                  icons.icons_made - icons.icons_destroyed + (live ? 1 : 0))
            << "one live icon at a time";
        ASSERT_LE(program_icon_counts.loaded - program_icon_counts.destroyed,
                  programs.loaded - programs.destroyed + 1);
        ASSERT_EQ(contrast_gdi_counts.pens_made - contrast_gdi_counts.pens_deleted,
                  gdi.pens_made - gdi.pens_deleted + (high_contrast_on() ? 3 : 0));
        ASSERT_EQ(contrast_gdi_counts.brushes_made - contrast_gdi_counts.brushes_deleted,
                  gdi.brushes_made - gdi.brushes_deleted);
    }
    ReleaseDC(window, screen);
    EXPECT_GT(live_icon_counts.icons_made - icons.icons_made, 3000);
    EXPECT_GE(contrast_gdi_counts.pens_made - gdi.pens_made, 3 * 6) << "every switch on made its pens";
    EXPECT_GE(contrast_gdi_counts.brushes_made - gdi.brushes_made, 4 * 200);
    EXPECT_GE(program_icon_counts.loaded - programs.loaded, 6) << "in the last third, a new size, a new icon";

    contrast_flag = false;
    SendMessageA(window, WM_SYSCOLORCHANGE, 0, 0);
    close_window();
    const auto outstanding = [](long made, long gone) { return made - gone; };
    EXPECT_EQ(outstanding(live_icon_counts.icons_made, live_icon_counts.icons_destroyed),
              outstanding(icons.icons_made, icons.icons_destroyed));
    EXPECT_EQ(outstanding(live_icon_counts.images_made, live_icon_counts.images_deleted),
              outstanding(icons.images_made, icons.images_deleted));
    EXPECT_EQ(outstanding(program_icon_counts.loaded, program_icon_counts.destroyed),
              outstanding(programs.loaded, programs.destroyed));
    EXPECT_EQ(outstanding(contrast_gdi_counts.pens_made, contrast_gdi_counts.pens_deleted),
              outstanding(gdi.pens_made, gdi.pens_deleted));
    EXPECT_EQ(outstanding(contrast_gdi_counts.brushes_made, contrast_gdi_counts.brushes_deleted),
              outstanding(gdi.brushes_made, gdi.brushes_deleted));
    // Where the platform counts GDI objects, the count is back where it was.
    if (objects_before > 0) {
        EXPECT_LE(live_gdi_objects(), objects_before + 8);
    }
}

}  // namespace
