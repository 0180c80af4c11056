// What the notification area costs and shows at short ticks, and the
// program's icon at the taskbar's size: against a real Main window, with the
// shell and the clock scripted.
#include <windows.h>

#include <shellapi.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/app.h"
#include "app/live_icon.h"
#include "app/main_window_fixture.h"
#include "app/notification_area.h"
#include "app/notification_icon.h"
#include "monitor/traffic_graph.h"
#include "support/icon_pixels.h"
#include "support/scripted_counters.h"

namespace {

std::int64_t now_ns = 0;
std::vector<NOTIFYICONDATAA> sent;

BOOL recording_shell(DWORD message, NOTIFYICONDATAA* data) {
    if (message == NIM_MODIFY) sent.push_back(*data);
    return TRUE;
}

class NotificationArea : public MainWindowTest {
protected:
    void SetUp() override {
        MainWindowTest::SetUp();
        shell_notify_icon = recording_shell;
        icon_clock = [] { return now_ns; };
        // A returning user; the real timer stays out of the way (a minute),
        // the tests tick themselves.
        write_settings(settings_lines({{"graph.delay", "60000"}, {"app.starts", "3"}}));
        ASSERT_NE(open_window(), nullptr);
        eth = scripted_add("eth0", true);
        select_download_interface(traffic_graph, "eth0");
        select_upload_interface(traffic_graph, "eth0");
        sent.clear();
    }
    void TearDown() override {
        set_tray_icon_mode(TrayIconMode::icon);
        close_window();
        shell_notify_icon = real_shell;
        icon_clock = real_clock;
        MainWindowTest::TearDown();
    }

    // A tick of `delay_ms` that received and sent these bytes.
    void tick(std::int32_t delay_ms, std::uint64_t received, std::uint64_t sent_bytes) {
        traffic_graph.delay = delay_ms;
        scripted_add_counts(eth, received, sent_bytes);
        scripted_advance_ms(delay_ms);
        now_ns += std::int64_t{delay_ms} * 1'000'000;
        SendMessageA(window, WM_TIMER, sample_timer_id, 0);
    }

    static int count_sent(UINT flag) {
        int count = 0;
        for (const NOTIFYICONDATAA& data : sent) count += (data.uFlags & flag) != 0;
        return count;
    }

    int eth = 0;
    const ShellNotifyIcon real_shell = shell_notify_icon;
    const IconClock real_clock = icon_clock;
};

// Ten seconds of 10 ms ticks, every one with new traffic: a new icon and a
// new tooltip at most 4 times a second, none in between.
TEST_F(NotificationArea, AtATenMillisecondTickTheIconAndTooltipChangeAtMostFourTimesASecond) {
    for (TrayIconMode mode : {TrayIconMode::graph, TrayIconMode::rates, TrayIconMode::icon}) {
        SCOPED_TRACE(tray_icon_mode_text(mode));
        set_tray_icon_mode(mode);
        sent.clear();
        for (int i = 0; i < 1000; ++i) tick(10, (i * 7919) % 5000, (i * 104729) % 3000);
        EXPECT_LE(sent.size(), 40u) << "one call per 250 ms carries icon and tooltip together";
        EXPECT_GE(count_sent(NIF_TIP), 30);
        EXPECT_LE(count_sent(NIF_ICON), 40);
        if (mode != TrayIconMode::icon) {
            EXPECT_GE(count_sent(NIF_ICON), 30);
        }
    }
    // At a second a tick, every tick as before.
    sent.clear();
    for (int i = 0; i < 20; ++i) tick(1000, 1000 + i, 0);
    EXPECT_EQ(count_sent(NIF_TIP), 20);
}

// One tick of traffic among 10 ms ticks of none shows whole in the column
// of its quarter second, and the rates are the quarter second's mean.
TEST_F(NotificationArea, AColumnKeepsAShortBurstAndTheTooltipTheMeanOfTheLast250Ms) {
    set_tray_icon_mode(TrayIconMode::graph);
    for (int i = 0; i < 100; ++i) tick(10, i == 40 ? 50000 : 0, 0);  // 5 MB/s for one tick
    for (int i = 0; i < 25; ++i) tick(10, 0, 0);
    // 5 columns of 250 ms; the burst is in the third, three columns old.
    int size = 0;
    const std::vector<std::uint32_t> pixels = icon_pixels(live_icon(), size);
    ASSERT_EQ(size, 16);
    const std::uint32_t background = pixels[size + 1];
    std::string columns;  // how many rows of each inner column are not background
    for (int x = 1; x < size - 1; ++x) {
        int rows = 0;
        for (int y = 1; y < size - 1; ++y) rows += pixels[y * size + x] != background;
        columns += static_cast<char>('0' + std::min(rows, 9));
    }
    EXPECT_EQ(columns, "00000000009000") << "the burst, full height, three columns from the newest";

    // The tooltip, at the next refresh (every 25th tick): of the 25 ticks up
    // to it, 7 at 2000 B/s and 18 at none.
    for (int i = 0; i < 25; ++i) tick(10, i < 8 ? 20 : 0, 0);
    tick(10, 0, 0);
    char rate[16];
    format_rate_in(rate, 560, RateUnits::bytes);
    EXPECT_NE(std::string(notify_icon_data.szTip).find(std::string("Down:  ") + rate + "/s"),
              std::string::npos)
        << notify_icon_data.szTip;
    EXPECT_NE(std::string(traffic_graph.download_label), std::string("Down:  ") + rate + "/s")
        << "the graph's label keeps the newest sample";
}

}  // namespace
