// The notification-area icon of a real Main window: its record, its tooltip
// after each tick, its re-add when the taskbar comes back, and its events.
#include <windows.h>

#include <shellapi.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <map>
#include <string>
#include <vector>

#include "app/app.h"
#include "app/notification_icon.h"
#include "monitor/data_plan.h"
#include "monitor/traffic_graph.h"
#include "monitor/usage_count.h"
#include "resources/resource.h"
#include "settings/settings_win_test_support.h"

namespace {

class NotificationIcon : public MainWindowTest {
protected:
    void SetUp() override {
        MainWindowTest::SetUp();
        // A returning user: no greeting, and no tick but those the test sends.
        write_settings(settings_lines({{"graph.delay", "60000"}, {"app.starts", "3"}}));
        ASSERT_NE(open_window(), nullptr);
    }

    void tick() { SendMessageA(window, WM_TIMER, sample_timer_id, 0); }

    // No traffic on the scripted source: nothing counted today or this month.
    std::string expected_tip() const {
        return std::string("mivrel\n") + traffic_graph.download_label + "\n" + traffic_graph.upload_label +
               "\nToday:  0 bytes down, 0 bytes up\nMonth:  0 bytes down, 0 bytes up";
    }

    // Whether the shell knows the icon: it accepts a change only for an icon it holds.
    static bool shell_holds_icon() {
        NOTIFYICONDATAA probe = notify_icon_data;
        probe.uFlags = NIF_TIP;
        return Shell_NotifyIconA(NIM_MODIFY, &probe) != FALSE;
    }

    // Removes every message waiting for the window; true when one was WM_NULL.
    bool take_null_message() const {
        MSG message;
        bool found = false;
        while (PeekMessageA(&message, window, 0, 0, PM_REMOVE)) {
            if (message.message == WM_NULL) found = true;
        }
        return found;
    }
};

TEST_F(NotificationIcon, IsAddedWithTheProgramsNameAndCallback) {
    EXPECT_EQ(notify_icon_data.cbSize, sizeof(NOTIFYICONDATAA));
    EXPECT_EQ(notify_icon_data.hWnd, window);
    EXPECT_EQ(notify_icon_data.uID, 0u);
    EXPECT_EQ(notify_icon_data.uFlags, static_cast<UINT>(NIF_MESSAGE | NIF_ICON | NIF_TIP));
    EXPECT_EQ(notify_icon_data.uCallbackMessage, static_cast<UINT>(WM_USER));
    EXPECT_NE(notify_icon_data.hIcon, nullptr);
    // The small-icon size, as the taskbar draws it, not the large icon scaled down.
    ICONINFO icon{};
    BITMAP image{};
    ASSERT_TRUE(GetIconInfo(notify_icon_data.hIcon, &icon));
    GetObjectA(icon.hbmColor ? icon.hbmColor : icon.hbmMask, sizeof image, &image);
    EXPECT_EQ(image.bmWidth, GetSystemMetrics(SM_CXSMICON));
    DeleteObject(icon.hbmColor);
    DeleteObject(icon.hbmMask);
    EXPECT_STREQ(notify_icon_data.szTip, "mivrel");
    EXPECT_EQ(notify_icon_data.dwInfoFlags, 0u);
    EXPECT_EQ(notify_icon_data.szInfo[0], '\0');
}

TEST_F(NotificationIcon, TickPutsBothRatesInTheTooltip) {
    tick();
    EXPECT_EQ(std::string(traffic_graph.download_label, 7), "Down:  ");
    EXPECT_EQ(std::string(traffic_graph.upload_label, 5), "Up:  ");
    EXPECT_EQ(std::string(notify_icon_data.szTip), expected_tip());
    EXPECT_EQ(notify_icon_data.uFlags, static_cast<UINT>(NIF_MESSAGE | NIF_TIP));
}

// Every line whole within the platform's 127 characters, at the longest rates
// and counts there are; a line that cannot fit (labels of 31 characters) is
// left out rather than cut.
TEST_F(NotificationIcon, TooltipAddsTodayAndThisMonthInWholeLines) {
    const std::string longest_label(31, 'x');
    const struct {
        std::string down, up;
        std::uint64_t day, month;  // in and out alike
        std::string usage;
    } cases[] = {
        {"Down:  0.0 bytes/s", "Up:  0.0 bytes/s", 1288490189, 37688381030,
         "Today:  1.2 gB down, 1.2 gB up\nMonth:  35.1 gB down, 35.1 gB up"},
        {"Down:  1023.0 bytes/s", "Up:  1023.0 bytes/s", 1023, 1023,
         "Today:  1023 bytes down, 1023 bytes up\nMonth:  1023 bytes down, 1023 bytes up"},
        {longest_label, longest_label, UINT64_MAX, UINT64_MAX, "Today:  16384.0 pB down, 16384.0 pB up"},
    };
    for (const auto& c : cases) {
        std::snprintf(traffic_graph.download_label, sizeof traffic_graph.download_label, "%s",
                      c.down.c_str());
        std::snprintf(traffic_graph.upload_label, sizeof traffic_graph.upload_label, "%s", c.up.c_str());
        usage_count.day.in = usage_count.day.out = c.day;
        usage_count.month.in = usage_count.month.out = c.month;
        refresh_notification_tip();
        EXPECT_EQ(std::string(notify_icon_data.szTip), "mivrel\n" + c.down + "\n" + c.up + "\n" + c.usage);
    }
}

TEST_F(NotificationIcon, TooltipFollowsTicksWhileTheWindowIsHidden) {
    ShowWindow(window, SW_SHOWNOACTIVATE);
    tick();
    ShowWindow(window, SW_HIDE);
    // Spoiled on purpose: only a refresh by the next tick puts the rates back.
    std::snprintf(notify_icon_data.szTip, sizeof notify_icon_data.szTip, "stale");
    tick();
    ASSERT_FALSE(IsWindowVisible(window));
    EXPECT_EQ(std::string(notify_icon_data.szTip), expected_tip());
}

TEST_F(NotificationIcon, TaskbarCreatedAddsTheIconAgain) {
    tick();
    ASSERT_NE(std::string(notify_icon_data.szTip), "mivrel");
    ASSERT_TRUE(shell_holds_icon());
    // The restarted shell knows no icon.
    NOTIFYICONDATAA lost = notify_icon_data;
    Shell_NotifyIconA(NIM_DELETE, &lost);
    EXPECT_FALSE(shell_holds_icon());

    ASSERT_NE(taskbar_created_message, 0u);
    EXPECT_EQ(taskbar_created_message, RegisterWindowMessageA("TaskbarCreated"));
    SendMessageA(window, RegisterWindowMessageA("TaskbarCreated"), 0, 0);
    EXPECT_STREQ(notify_icon_data.szTip, "mivrel");
    EXPECT_EQ(notify_icon_data.uFlags, static_cast<UINT>(NIF_MESSAGE | NIF_ICON | NIF_TIP));
    EXPECT_EQ(notify_icon_data.hWnd, window);
    EXPECT_EQ(notify_icon_data.cbSize, sizeof(NOTIFYICONDATAA));
    EXPECT_TRUE(shell_holds_icon());
}

TEST_F(NotificationIcon, LeftButtonReleaseTogglesTheWindow) {
    ASSERT_FALSE(IsWindowVisible(window));
    SendMessageA(window, WM_USER, 0, WM_LBUTTONUP);
    EXPECT_TRUE(IsWindowVisible(window));
    SendMessageA(window, WM_USER, 0, WM_LBUTTONUP);
    EXPECT_FALSE(IsWindowVisible(window));
    SendMessageA(window, WM_USER, 0, WM_LBUTTONUP);
    EXPECT_TRUE(IsWindowVisible(window));
}

TEST_F(NotificationIcon, OtherEventsDoNothing) {
    for (bool visible : {false, true}) {
        for (LPARAM event : {WM_LBUTTONDBLCLK, WM_LBUTTONDOWN, WM_MOUSEMOVE, WM_RBUTTONDOWN, WM_MBUTTONUP}) {
            ShowWindow(window, visible ? SW_SHOWNOACTIVATE : SW_HIDE);
            SendMessageA(window, WM_USER, 0, event);
            EXPECT_EQ(IsWindowVisible(window) != FALSE, visible) << event;
        }
    }
    EXPECT_TRUE(modals.seen.empty()) << "no menu opened";
}

// The shell sends down, up, double click, up; only the first release counts,
// and the next click toggles again.
TEST_F(NotificationIcon, DoubleClickActsAsOneClick) {
    for (bool visible : {false, true}) {
        ShowWindow(window, visible ? SW_SHOWNOACTIVATE : SW_HIDE);
        for (LPARAM event : {WM_LBUTTONDOWN, WM_LBUTTONUP, WM_LBUTTONDBLCLK, WM_LBUTTONUP})
            SendMessageA(window, WM_USER, 0, event);
        EXPECT_EQ(IsWindowVisible(window) != FALSE, !visible);
        for (LPARAM event : {WM_LBUTTONDOWN, WM_LBUTTONUP}) SendMessageA(window, WM_USER, 0, event);
        EXPECT_EQ(IsWindowVisible(window) != FALSE, visible);
    }
}

TEST_F(NotificationIcon, RightButtonReleaseOpensTheMenuAtThePointer) {
    ASSERT_TRUE(SetCursorPos(400, 500));
    POINT pointer{};
    GetCursorPos(&pointer);
    take_null_message();
    SendMessageA(window, WM_USER, 0, WM_RBUTTONUP);
    ASSERT_EQ(modals.seen.size(), 1u);
    const SeenModal& menu = modals.seen[0];
    EXPECT_EQ(menu.window_class, "#32768");
    // Bottom-aligned: the menu stands above the pointer, its left edge at it.
    EXPECT_EQ(menu.rect.bottom, pointer.y);
    EXPECT_EQ(menu.rect.left, pointer.x);
    EXPECT_GT(menu.rect.bottom - menu.rect.top, 40);
    EXPECT_TRUE(take_null_message());
    EXPECT_TRUE(IsWindow(window)) << "Escape chose no command";
}

TEST_F(NotificationIcon, EndOfLogonRemovesItAndKeepsTheWindow) {
    ASSERT_TRUE(shell_holds_icon());
    SendMessageA(window, WM_ENDSESSION, FALSE, 0);
    EXPECT_TRUE(shell_holds_icon());
    SendMessageA(window, WM_ENDSESSION, TRUE, 0);
    EXPECT_FALSE(shell_holds_icon());
    EXPECT_TRUE(IsWindow(window));
}

TEST_F(NotificationIcon, RemovedWhenTheWindowEnds) {
    ASSERT_TRUE(shell_holds_icon());
    DestroyWindow(window);
    EXPECT_TRUE(take_quit_message());
    EXPECT_FALSE(shell_holds_icon());
}

// A taskbar that writes down each call ("message flags tip;") and refuses as
// many of each message as it is told, as one not ready yet, or no longer
// holding the icon, does.
std::string shell_calls;
std::map<DWORD, int> refusals;

BOOL scripted_shell(DWORD message, NOTIFYICONDATAA* data) {
    shell_calls += std::to_string(message) + " " + std::to_string(data->uFlags) + " " + data->szTip + ";";
    return refusals[message]-- > 0 ? FALSE : TRUE;
}

// Until the icon is there a minimise leaves the window shown; a tick adds it,
// and a tick with the same rates sends nothing.
TEST_F(NotificationIcon, MissingIconIsAddedAtTheNextTick) {
    close_window();  // its icon is the real taskbar's
    struct ShellGuard {
        ShellNotifyIcon real = shell_notify_icon;
        ~ShellGuard() { shell_notify_icon = real; }
    } guard;
    shell_notify_icon = scripted_shell;
    const struct {
        const char* name;
        int refused_at_start, modifies_refused_at_tick;
    } cases[] = {{"taskbar not ready at start", 1 << 30, 0}, {"icon gone at a tick", 0, 1}};
    for (const auto& c : cases) {
        refusals = {{NIM_ADD, c.refused_at_start}, {NIM_MODIFY, c.refused_at_start}};
        ASSERT_NE(open_window(), nullptr);
        ShowWindow(window, SW_SHOWNOACTIVATE);
        SendMessageA(window, WM_SYSCOMMAND, SC_MINIMIZE, 0);
        EXPECT_EQ(IsWindowVisible(window) != FALSE, c.refused_at_start != 0) << c.name;
        refusals = {{NIM_MODIFY, c.modifies_refused_at_tick}};
        shell_calls.clear();
        tick();
        const std::string modify = "1 5 " + expected_tip() + ";";
        EXPECT_EQ(shell_calls, (c.modifies_refused_at_tick ? modify : "") + "0 7 mivrel;" + modify) << c.name;
        shell_calls.clear();
        tick();
        EXPECT_EQ(shell_calls, "") << c.name;
        close_window();
    }
}

std::vector<std::string> balloons;
int balloon_refusals = 0;

BOOL balloon_shell(DWORD message, NOTIFYICONDATAA* data) {
    if (message != NIM_MODIFY || !(data->uFlags & NIF_INFO)) return TRUE;
    if (balloon_refusals-- > 0) return FALSE;
    balloons.push_back(std::string(data->szInfoTitle) + ": " + data->szInfo);
    return TRUE;
}

// At the warning and at the whole allowance one balloon each, the first again
// after the taskbar refused it (as at logon), none for the ticks between; the
// tooltip's month gives way to the plan; a click on a balloon asks for the
// Usage window.
TEST_F(NotificationIcon, PlanBalloonsComeOnceEachAndAClickOnOneAsksForTheUsageWindow) {
    struct Guard {
        ShellNotifyIcon real = shell_notify_icon;
        ~Guard() {
            shell_notify_icon = real;
            data_plan.limit_mb = 0;
            plan_warning_state = {};
        }
    } guard;
    shell_notify_icon = balloon_shell;
    balloons.clear();
    balloon_refusals = 1;
    data_plan = {1'000, 1, false, 80, "mivrel test adapter"};
    plan_warning_state = {};
    const DayNumber today = local_today();
    const std::int32_t adapter = usage_adapter_index(usage_count, data_plan.adapter, true);
    const std::string left = std::to_string(plan_period(1, today).last - today + 1);
    const std::string days = left == "1" ? " day left" : " days left";

    add_usage(usage_count, adapter, today, true, 850'000'000, 0);
    tick();
    EXPECT_TRUE(balloons.empty());
    tick();
    tick();
    add_usage(usage_count, adapter, today, true, 200'000'000, 0);
    tick();
    tick();
    EXPECT_EQ(balloons,
              (std::vector<std::string>{"mivrel: Data plan: 850.0 MB of 1.0 GB used (85 %), " + left + days,
                                        "mivrel: Data plan: 1.1 GB of 1.0 GB used (105 %), " + left + days}));
    const std::string tip = notify_icon_data.szTip;
    EXPECT_NE(tip.find("\nToday:  "), std::string::npos) << tip;
    EXPECT_EQ(tip.substr(tip.rfind('\n') + 1), "Plan:  1.1 of 1.0 GB, " + left + days + " !");

    on_notification_icon(NIN_BALLOONUSERCLICK);
    MSG message{};
    ASSERT_TRUE(PeekMessageA(&message, window, WM_COMMAND, WM_COMMAND, PM_REMOVE));
    EXPECT_EQ(LOWORD(message.wParam), IDM_USAGE);
}

}  // namespace
