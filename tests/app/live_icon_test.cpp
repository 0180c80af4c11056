// The live notification icon of a real Main window: drawn after each tick,
// sent only when it changed, at the taskbar's size, and never leaked.
#include "app/live_icon.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <vector>

#include "app/app.h"
#include "app/notification_icon.h"
#include "monitor/traffic_graph.h"
#include "settings/settings_win_test_support.h"
#include "support/scripted_counters.h"

namespace {

// NIF_ICON modifies that reached the (real) shell.
int icon_modifies = 0;

BOOL counting_shell(DWORD message, NOTIFYICONDATAA* data) {
    if (message == NIM_MODIFY && (data->uFlags & NIF_ICON)) ++icon_modifies;
    return Shell_NotifyIconA(message, data);
}

int icon_size_for_test = 16;

class LiveIcon : public MainWindowTest {
protected:
    void SetUp() override {
        MainWindowTest::SetUp();
        write_settings(settings_lines({{"graph.delay", "60000"}, {"app.starts", "3"}}));
        shell_notify_icon = counting_shell;
        icon_size_source = [] { return icon_size_for_test; };
        ASSERT_NE(open_window(), nullptr);
        eth = scripted_add("eth0", true);
        select_download_interface(traffic_graph, "eth0");
        select_upload_interface(traffic_graph, "eth0");
    }
    void TearDown() override {
        set_tray_icon_mode(TrayIconMode::icon);
        MainWindowTest::TearDown();
        shell_notify_icon = real_shell;
        icon_size_source = taskbar_icon_size;
        icon_size_for_test = 16;
    }

    void tick(std::uint64_t download, std::uint64_t upload) {
        scripted_add_counts(eth, download, upload);
        scripted_advance_ms(1000);
        SendMessageA(window, WM_TIMER, sample_timer_id, 0);
    }

    static long icons_held() { return live_icon_counts.icons_made - live_icon_counts.icons_destroyed; }
    static long images_held() { return live_icon_counts.images_made - live_icon_counts.images_deleted; }

    // Whether the shell holds our icon: it accepts a change only for an icon it holds.
    static bool shell_holds_icon() {
        NOTIFYICONDATAA probe = notify_icon_data;
        probe.uFlags = NIF_TIP;
        return Shell_NotifyIconA(NIM_MODIFY, &probe) != FALSE;
    }

    ShellNotifyIcon real_shell = shell_notify_icon;
    int eth = -1;
};

// The icon's colour image as top-down 0xAARRGGBB pixels; its width in `size`.
std::vector<std::uint32_t> icon_pixels(HICON icon, int& size) {
    ICONINFO info{};
    size = 0;
    if (!GetIconInfo(icon, &info)) return {};
    BITMAP image{};
    GetObjectA(info.hbmColor, sizeof image, &image);
    size = image.bmWidth;
    BITMAPINFO format{};
    format.bmiHeader.biSize = sizeof format.bmiHeader;
    format.bmiHeader.biWidth = size;
    format.bmiHeader.biHeight = -size;
    format.bmiHeader.biPlanes = 1;
    format.bmiHeader.biBitCount = 32;
    format.bmiHeader.biCompression = BI_RGB;
    std::vector<std::uint32_t> pixels(static_cast<std::size_t>(size) * size);
    HDC screen = GetDC(nullptr);
    GetDIBits(screen, info.hbmColor, 0, size, pixels.data(), &format, DIB_RGB_COLORS);
    ReleaseDC(nullptr, screen);
    DeleteObject(info.hbmColor);
    DeleteObject(info.hbmMask);
    return pixels;
}

// 5,000 ticks of changing traffic: each new picture reaches the shell, upright
// and opaque as drawn, and the icon it replaced is gone; a tick that changes
// no pixel sends nothing. The program's icon comes back without a live one.
TEST_F(LiveIcon, FollowsTicksAndLeavesNothingOver) {
    const LiveIconCounts at_start = live_icon_counts;
    set_tray_icon_mode(TrayIconMode::graph);
    for (int i = 0; i < 5000; ++i) tick(static_cast<std::uint64_t>(i) * 7919 % 50000, i * 104729 % 30000);
    EXPECT_GT(live_icon_counts.icons_made - at_start.icons_made, 4000);
    EXPECT_EQ(icons_held(), 1);
    EXPECT_EQ(images_held(), 2) << "one colour image and one mask, kept for the size";
    ASSERT_NE(live_icon(), nullptr);
    EXPECT_EQ(notify_icon_data.hIcon, live_icon());
    EXPECT_TRUE(shell_holds_icon());

    int size = 0;
    const std::vector<std::uint32_t> shown = icon_pixels(live_icon(), size);
    ASSERT_EQ(size, 16);
    std::vector<std::uint32_t> drawn(16 * 16);
    ASSERT_TRUE(paint_tray_icon(traffic_graph, TrayIconMode::graph, 16, drawn.data()));
    EXPECT_EQ(shown, drawn);

    for (int i = 0; i < 20; ++i) tick(3000, 1000);
    icon_modifies = 0;
    tick(3000, 1000);
    tick(3000, 1000);
    EXPECT_EQ(icon_modifies, 0);
    set_tray_icon_mode(TrayIconMode::rates);
    EXPECT_EQ(icon_modifies, 1);

    set_tray_icon_mode(TrayIconMode::icon);
    EXPECT_EQ(live_icon(), nullptr);
    EXPECT_NE(notify_icon_data.hIcon, nullptr);
    EXPECT_EQ(icons_held(), 0);
    EXPECT_EQ(images_held(), 0);
    EXPECT_TRUE(shell_holds_icon());
}

// Every message that may change the taskbar's icon size redraws the icon at the
// size read then; a new taskbar gets the live icon, not the program's.
TEST_F(LiveIcon, SizeIsReadAgainWhenScreensOrTheTaskbarChange) {
    set_tray_icon_mode(TrayIconMode::rates);
    tick(1000, 1000);
    RECT outer{};
    GetWindowRect(window, &outer);
    const struct {
        const char* name;
        UINT message;
        WPARAM wparam;
        LPARAM lparam;
        int size;
    } cases[] = {
        {"WM_DPICHANGED", WM_DPICHANGED, MAKEWPARAM(96, 96), reinterpret_cast<LPARAM>(&outer), 32},
        {"WM_DISPLAYCHANGE", WM_DISPLAYCHANGE, 32, MAKELPARAM(1280, 1024), 20},
        {"WM_SETTINGCHANGE", WM_SETTINGCHANGE, SPI_SETICONMETRICS, 0, 24},
        {"TaskbarCreated", RegisterWindowMessageA("TaskbarCreated"), 0, 0, 16},
    };
    for (const auto& c : cases) {
        icon_size_for_test = c.size;
        SendMessageA(window, c.message, c.wparam, c.lparam);
        int size = 0;
        icon_pixels(live_icon(), size);
        EXPECT_EQ(size, c.size) << c.name;
        EXPECT_EQ(notify_icon_data.hIcon, live_icon()) << c.name;
        EXPECT_EQ(icons_held(), 1) << c.name;
        EXPECT_EQ(images_held(), 2) << c.name;
    }
    EXPECT_EQ(notify_icon_data.uFlags, static_cast<UINT>(NIF_MESSAGE | NIF_ICON | NIF_TIP));
    EXPECT_TRUE(shell_holds_icon());
}

int WINAPI metric_for_dpi(int index, UINT dpi) {
    return index == SM_CXSMICON ? static_cast<int>(dpi / 6) : 0;
}

// The primary monitor's DPI first, then the system's, then the plain metric.
TEST(LiveIconSize, FallsBackWhereTheSystemLacksAFunction) {
    EXPECT_EQ(small_icon_size(192, 96, metric_for_dpi, 16), 32);
    EXPECT_EQ(small_icon_size(0, 144, metric_for_dpi, 16), 24);
    EXPECT_EQ(small_icon_size(0, 0, metric_for_dpi, 16), 16);
    EXPECT_EQ(small_icon_size(192, 192, nullptr, 20), 20);
}

}  // namespace
