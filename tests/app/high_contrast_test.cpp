// High contrast against a real Main window: its flag through a seam (Wine
// always answers off), its colours through SetSysColors, which Wine sends on
// as WM_SYSCOLORCHANGE; and no GDI object or icon left over across thousands
// of ticks with changes of scale and of contrast between them.
#include <windows.h>

#include <gtest/gtest.h>

#include <vector>

#include "app/app.h"
#include "app/apply_settings.h"
#include "app/high_contrast.h"
#include "app/live_icon.h"
#include "app/main_window_fixture.h"
#include "app/notification_area.h"
#include "app/notification_icon.h"
#include "app/program_icon.h"
#include "app/window_options.h"
#include "graph/contrast_gdi.h"
#include "graph/usage_chart_win.h"
#include "monitor/traffic_graph.h"
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
    EXPECT_EQ(icon[size + 1] & 0xFFFFFFu, 0x000000u) << "inside, COLOR_WINDOW";
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

// Icons, images, pens and brushes made and not yet let go of.
struct Outstanding {
    long live_icons, images, program_icons, pens, brushes;
};

Outstanding outstanding() {
    return {live_icon_counts.icons_made - live_icon_counts.icons_destroyed,
            live_icon_counts.images_made - live_icon_counts.images_deleted,
            program_icon_counts.loaded - program_icon_counts.destroyed,
            contrast_gdi_counts.pens_made - contrast_gdi_counts.pens_deleted,
            contrast_gdi_counts.brushes_made - contrast_gdi_counts.brushes_deleted};
}

// 5,000 ticks, each with a new live icon (or a new tooltip beside the
// program's icon); between them the scale changes, high contrast comes and
// goes, and the graph and the Usage chart are painted. At every tick one
// live icon, one program's icon and three pens at most are held, and at the
// end nothing.
TEST_F(HighContrast, NothingIsLeftOverAcrossTicksScalesAndSwitches) {
    // The shell copies each icon it is given: what it holds is not ours to count.
    struct ShellGuard {
        ShellNotifyIcon real = shell_notify_icon;
        ~ShellGuard() { shell_notify_icon = real; }
    } shell;
    shell_notify_icon = [](DWORD, NOTIFYICONDATAA*) -> BOOL { return TRUE; };
    const Outstanding start = outstanding();
    const long icons_before = live_icon_counts.icons_made, pens_before = contrast_gdi_counts.pens_made;
    const int objects_before = live_gdi_objects();
    static int size_now = 16;
    icon_size_source = [] { return size_now; };
    write_settings(settings_lines({{"graph.delay", "60000"}, {"app.starts", "3"}}));
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
    const TrayIconMode modes[] = {TrayIconMode::graph, TrayIconMode::rates, TrayIconMode::icon};
    for (int i = 0; i < 5000; ++i) {
        if (i % 250 == 0) {
            size_now = 16 + 4 * ((i / 250) % 5);  // 16 to 32 pixels, 100 to 200 %
            RECT outer{};
            GetWindowRect(window, &outer);
            SendMessageA(window, WM_DPICHANGED, MAKEWPARAM(size_now * 6, size_now * 6),
                         reinterpret_cast<LPARAM>(&outer));
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
        const Outstanding now = outstanding();
        ASSERT_EQ(now.live_icons, start.live_icons + (tray_icon_mode != TrayIconMode::icon)) << i;
        ASSERT_LE(now.program_icons, start.program_icons + 1) << i;
        ASSERT_EQ(now.pens, start.pens + (high_contrast_on() ? 3 : 0)) << i;
        ASSERT_EQ(now.brushes, start.brushes) << i;
    }
    ReleaseDC(window, screen);
    EXPECT_GT(live_icon_counts.icons_made - icons_before, 3000);
    EXPECT_EQ(contrast_gdi_counts.pens_made - pens_before, 3 * 6) << "each of six switches on made its pens";

    contrast_flag = false;
    SendMessageA(window, WM_SYSCOLORCHANGE, 0, 0);
    close_window();
    const Outstanding end = outstanding();
    EXPECT_EQ(end.live_icons, start.live_icons);
    EXPECT_EQ(end.images, start.images);
    EXPECT_EQ(end.program_icons, start.program_icons);
    EXPECT_EQ(end.pens, start.pens);
    EXPECT_EQ(end.brushes, start.brushes);
    // Where the platform counts GDI objects, the count is back where it was.
    if (objects_before > 0) {
        EXPECT_LE(live_gdi_objects(), objects_before + 8);
    }
}

}  // namespace
