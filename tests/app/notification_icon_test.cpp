// The notification-area icon of a real Main window: its record, its tooltip
// after each tick, its re-add when the taskbar comes back, and its events.
#include <windows.h>

#include <shellapi.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <map>
#include <ostream>
#include <string>
#include <vector>

#include "app/app.h"
#include "app/notification_icon.h"
#include "monitor/traffic_graph.h"
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

    std::string expected_tip() const {
        return std::string("mivrel\n") + traffic_graph.download_label + "\n" + traffic_graph.upload_label;
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

// A taskbar that writes down every call and refuses those it is told to, as
// one that is not ready yet, or no longer holds the icon, does.
struct ShellCall {
    DWORD message;
    UINT flags;
    std::string tip;
    bool operator==(const ShellCall& other) const {
        return message == other.message && flags == other.flags && tip == other.tip;
    }
};
void PrintTo(const ShellCall& call, std::ostream* out) {
    *out << "{" << call.message << ", " << call.flags << ", \"" << call.tip << "\"}";
}
std::vector<ShellCall> shell_calls;
std::map<DWORD, int> refusals;  // per message, how many calls to refuse

BOOL scripted_shell(DWORD message, NOTIFYICONDATAA* data) {
    shell_calls.push_back({message, data->uFlags, data->szTip});
    int& left = refusals[message];
    if (left == 0) return TRUE;
    --left;
    return FALSE;
}

constexpr int always = 1 << 30;

class NotificationIconOnScriptedShell : public MainWindowTest {
protected:
    void SetUp() override {
        MainWindowTest::SetUp();
        write_settings(settings_lines({{"graph.delay", "60000"}, {"app.starts", "3"}}));
        shell_calls.clear();
        refusals.clear();
        shell_notify_icon = scripted_shell;
    }
    void TearDown() override {
        MainWindowTest::TearDown();
        shell_notify_icon = real_shell;
    }
    // What one tick asks of the taskbar.
    std::vector<ShellCall> tick() {
        shell_calls.clear();
        SendMessageA(window, WM_TIMER, sample_timer_id, 0);
        return shell_calls;
    }
    static std::string rates_tip() {
        return std::string("mivrel\n") + traffic_graph.download_label + "\n" + traffic_graph.upload_label;
    }
    const ShellNotifyIcon real_shell = shell_notify_icon;
};

TEST_F(NotificationIconOnScriptedShell, MissingIconIsAddedAtTheNextTick) {
    constexpr UINT add_flags = NIF_MESSAGE | NIF_ICON | NIF_TIP, tip_flags = NIF_MESSAGE | NIF_TIP;
    struct Case {
        const char* name;
        std::map<DWORD, int> refused_at_start, refused_at_tick;
        bool icon_gone;  // whether the tick first finds the icon gone
    };
    const Case cases[] = {
        {"taskbar not ready at start", {{NIM_ADD, always}, {NIM_MODIFY, always}}, {}, false},
        {"icon gone at a tick", {}, {{NIM_MODIFY, 1}}, true},
    };
    for (const Case& c : cases) {
        refusals = c.refused_at_start;
        ASSERT_NE(open_window(), nullptr) << c.name;
        refusals = c.refused_at_tick;
        const std::vector<ShellCall> calls = tick();
        std::vector<ShellCall> expected{{NIM_ADD, add_flags, "mivrel"}, {NIM_MODIFY, tip_flags, rates_tip()}};
        if (c.icon_gone) expected.insert(expected.begin(), {NIM_MODIFY, tip_flags, rates_tip()});
        EXPECT_EQ(calls, expected) << c.name;
        EXPECT_TRUE(notification_icon_shown()) << c.name;
        close_window();
    }
}

TEST_F(NotificationIconOnScriptedShell, UnchangedTooltipSendsNothing) {
    ASSERT_NE(open_window(), nullptr);
    EXPECT_EQ(tick().size(), 1u);
    const std::string tip = notify_icon_data.szTip;
    EXPECT_TRUE(tick().empty());
    EXPECT_EQ(notify_icon_data.szTip, tip) << "the rates stayed the same";
}

// Hidden without an icon, the window would have no way back.
TEST_F(NotificationIconOnScriptedShell, MinimiseWithoutIconLeavesTheWindowShown) {
    refusals = {{NIM_ADD, always}, {NIM_MODIFY, always}};
    ASSERT_NE(open_window(), nullptr);
    ShowWindow(window, SW_SHOWNOACTIVATE);
    SendMessageA(window, WM_SYSCOMMAND, SC_MINIMIZE, 0);
    EXPECT_TRUE(IsWindowVisible(window));
    EXPECT_FALSE(IsIconic(window));

    refusals.clear();
    tick();
    SendMessageA(window, WM_SYSCOMMAND, SC_MINIMIZE, 0);
    EXPECT_FALSE(IsWindowVisible(window)) << "the icon came at the tick";
}

}  // namespace
