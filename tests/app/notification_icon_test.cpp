// The notification-area icon of a real Main window: its record, its tooltip
// after each tick, its re-add when the taskbar comes back, and its events.
#include <windows.h>

#include <shellapi.h>

#include <gtest/gtest.h>

#include <cctype>
#include <cstdio>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "app/app.h"
#include "app/data_plan_watch.h"
#include "app/live_icon.h"
#include "app/main_window_fixture.h"
#include "app/notification_area.h"
#include "app/notification_icon.h"
#include "app/program_icon.h"
#include "monitor/data_plan.h"
#include "monitor/traffic_graph.h"
#include "monitor/usage_count.h"
#include "resources/resource.h"
#include "settings/usage_keeping.h"
#include "support/icon_pixels.h"
#include "support/scripted_counters.h"

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

BOOL refusing_version_4(DWORD message, NOTIFYICONDATAA* data) {
    return message == NIM_SETVERSION ? FALSE : Shell_NotifyIconA(message, data);
}

// A taskbar without version 4's events reports a right click alone.
TEST_F(NotificationIcon, RightButtonReleaseOpensTheMenuAtThePointer) {
    const ShellNotifyIcon real_shell = shell_notify_icon;
    shell_notify_icon = refusing_version_4;
    add_notification_icon();
    shell_notify_icon = real_shell;
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

// 5,000 ticks of changing traffic: each new picture reaches the shell as
// drawn, upright and opaque, and the one it replaced is destroyed; a tick that
// changes no pixel makes no icon. The program's icon comes back at the end.
TEST_F(NotificationIcon, LiveIconFollowsTicksAndLeavesNothingOver) {
    const int eth = scripted_add("eth0", true);
    select_download_interface(traffic_graph, "eth0");
    select_upload_interface(traffic_graph, "eth0");
    const auto traffic_tick = [&](std::uint64_t download, std::uint64_t upload) {
        scripted_add_counts(eth, download, upload);
        scripted_advance_ms(1000);
        tick();
    };
    const LiveIconCounts& counts = live_icon_counts;
    const long made_before = counts.icons_made;
    set_tray_icon_mode(TrayIconMode::graph);
    for (int i = 0; i < 600; ++i) traffic_tick(i * 7919 % 50000, i * 104729 % 30000);
    EXPECT_GT(counts.icons_made - made_before, 480);
    EXPECT_EQ(counts.icons_made - counts.icons_destroyed, 1);
    EXPECT_EQ(counts.images_made - counts.images_deleted, 2)
        << "a colour image and a mask, kept for the size";
    ASSERT_EQ(notify_icon_data.hIcon, live_icon());
    EXPECT_TRUE(shell_holds_icon());
    int size = 0;
    const std::vector<std::uint32_t> shown = icon_pixels(live_icon(), size);
    std::vector<std::uint32_t> drawn(16 * 16);
    ASSERT_TRUE(paint_tray_icon(traffic_graph, TrayIconMode::graph, 16, drawn.data()));
    EXPECT_EQ(shown, drawn);

    for (int i = 0; i < 16; ++i) traffic_tick(3000, 1000);
    const long made = counts.icons_made;
    traffic_tick(3000, 1000);
    EXPECT_EQ(counts.icons_made, made);
    set_tray_icon_mode(TrayIconMode::icon);
    EXPECT_NE(notify_icon_data.hIcon, nullptr);
    EXPECT_EQ(counts.icons_made - counts.icons_destroyed, 0);
    EXPECT_EQ(counts.images_made - counts.images_deleted, 0);
    EXPECT_TRUE(shell_holds_icon());
}

// Each message that may change the taskbar's icon size reads it again and
// redraws at that size; a new taskbar gets the live icon, not the program's.
TEST_F(NotificationIcon, LiveIconSizeIsReadAgainWhenScreensOrTheTaskbarChange) {
    static int size_now = 16;
    struct Restore {
        ~Restore() {
            set_tray_icon_mode(TrayIconMode::icon);
            icon_size_source = taskbar_icon_size;
        }
    } restore;
    icon_size_source = [] { return size_now; };
    RECT outer{};
    GetWindowRect(window, &outer);
    const struct {
        UINT message;
        WPARAM wparam;
        LPARAM lparam;
        int size;
    } cases[] = {{WM_DPICHANGED, MAKEWPARAM(96, 96), reinterpret_cast<LPARAM>(&outer), 32},
                 {WM_DISPLAYCHANGE, 32, MAKELPARAM(1280, 1024), 20},
                 {WM_SETTINGCHANGE, SPI_SETICONMETRICS, 0, 24},
                 {taskbar_created_message, 0, 0, 16}};
    // The program's icon too, loaded for each size; the one it replaces goes.
    const ProgramIconCounts before = program_icon_counts;
    for (TrayIconMode mode : {TrayIconMode::rates, TrayIconMode::icon}) {
        set_tray_icon_mode(mode);
        for (const auto& c : cases) {
            size_now = c.size;
            SendMessageA(window, c.message, c.wparam, c.lparam);
            int size = 0;
            icon_pixels(notify_icon_data.hIcon, size);
            EXPECT_EQ(size, c.size) << c.message;
            EXPECT_EQ(notify_icon_data.hIcon, mode == TrayIconMode::icon ? program_icon() : live_icon());
        }
    }
    EXPECT_EQ(program_icon_counts.loaded - before.loaded, 8);
    EXPECT_EQ(program_icon_counts.destroyed - before.destroyed, 8);
    EXPECT_EQ(notify_icon_data.uFlags, static_cast<UINT>(NIF_MESSAGE | NIF_ICON | NIF_TIP));
    EXPECT_TRUE(shell_holds_icon());
}

int WINAPI metric_for_dpi(int index, UINT dpi) {
    return index == SM_CXSMICON ? static_cast<int>(dpi / 6) : 0;
}

// The primary monitor's DPI, else the system's, else the plain metric.
TEST(LiveIconSize, FallsBackWhereTheSystemLacksAFunction) {
    EXPECT_EQ(small_icon_size(192, 96, metric_for_dpi, 16), 32);
    EXPECT_EQ(small_icon_size(0, 144, metric_for_dpi, 16), 24);
    EXPECT_EQ(small_icon_size(0, 0, metric_for_dpi, 16), 16);
    EXPECT_EQ(small_icon_size(192, 192, nullptr, 20), 20);
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
        EXPECT_EQ(shell_calls, (c.modifies_refused_at_tick ? modify : "") + "0 7 mivrel;4 7 mivrel;" + modify)
            << c.name;
        shell_calls.clear();
        tick();
        EXPECT_EQ(shell_calls, "") << c.name;
        close_window();
    }
}

// The icon's menu when it first waits for input. The same event then comes
// once more, as a key press reported twice does, and the graph's item is
// taken by its access key; a menu of another first item gets Escape.
struct IconMenu {
    int opened = 0;
    bool answered = false;
    RECT rect{};
    std::string first_item;
    UINT default_item = 0;
    LPARAM event = 0;
} icon_menu;
WNDPROC icon_owner_procedure = nullptr;
constexpr WPARAM icon_place = MAKEWPARAM(600, 700);

LRESULT CALLBACK taking_first_item(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    if (message == WM_INITMENUPOPUP) ++icon_menu.opened;
    if (message == WM_ENTERIDLE && wparam == MSGF_MENU && !std::exchange(icon_menu.answered, true)) {
        HWND shown = reinterpret_cast<HWND>(lparam);
        HMENU menu = reinterpret_cast<HMENU>(SendMessageA(shown, MN_GETHMENU, 0, 0));
        char text[32] = {};
        GetMenuStringA(menu, 0, text, sizeof text, MF_BYPOSITION);
        icon_menu.first_item = text;
        icon_menu.default_item = GetMenuDefaultItem(menu, FALSE, 0);
        GetWindowRect(shown, &icon_menu.rect);
        SendMessageA(window, WM_USER, icon_place, icon_menu.event);
        const bool graphs = GetMenuItemID(menu, 0) == IDM_SHOW_GRAPH && text[0] == '&';
        PostMessageA(shown, graphs ? WM_CHAR : WM_KEYDOWN, graphs ? std::tolower(text[1]) : VK_ESCAPE, 0);
    }
    return CallWindowProcA(icon_owner_procedure, window, message, wparam, lparam);
}

// With version 4's events a right click, the menu key or Enter on the icon
// opens one menu, above the icon; its first item, the default, shows a hidden
// graph or hides a shown one; then the focus goes back to the icon.
TEST_F(NotificationIcon, MenuFromTheIconShowsOrHidesTheGraphByItsDefaultItem) {
    modals.answers_menus = false;
    const ShellNotifyIcon real_shell = shell_notify_icon;
    shell_notify_icon = scripted_shell;  // the icon is added; what follows is written down
    refusals.clear();
    icon_owner_procedure = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrA(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(taking_first_item)));
    const std::vector<LPARAM> cases[] = {
        {WM_RBUTTONDOWN, WM_RBUTTONUP, WM_CONTEXTMENU}, {WM_CONTEXTMENU}, {NIN_KEYSELECT}};
    for (const auto& events : cases) {
        for (bool visible : {false, true}) {
            SCOPED_TRACE(std::to_string(events.back()) + (visible ? ", shown" : ", hidden"));
            ShowWindow(window, visible ? SW_SHOWNOACTIVATE : SW_HIDE);
            UpdateWindow(window);
            icon_menu = {};
            icon_menu.event = events.back();
            shell_calls.clear();
            take_null_message();
            for (LPARAM event : events) SendMessageA(window, WM_USER, icon_place, event);
            EXPECT_EQ(icon_menu.opened, 1);
            EXPECT_EQ(icon_menu.rect.left, 600);
            EXPECT_EQ(icon_menu.rect.bottom, 700);
            EXPECT_EQ(icon_menu.first_item, visible ? "&Hide graph" : "&Show graph");
            EXPECT_EQ(icon_menu.default_item, static_cast<UINT>(IDM_SHOW_GRAPH));
            EXPECT_EQ(shell_calls, "3 7 mivrel;") << "the focus back to the icon";
            MSG command{};
            while (PeekMessageA(&command, window, WM_COMMAND, WM_COMMAND, PM_REMOVE))
                DispatchMessageA(&command);
            EXPECT_TRUE(take_null_message());
            EXPECT_EQ(IsWindowVisible(window) != FALSE, !visible);
        }
    }
    SetWindowLongPtrA(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(icon_owner_procedure));
    shell_notify_icon = real_shell;
}

std::int64_t icon_now = 0;

// On a quiet link the tooltip stays the same, yet an icon lost meanwhile is
// found within 10 s by a modify without the tip, and added again.
TEST_F(NotificationIcon, UnchangedTooltipStillChecksTheIconEveryTenSeconds) {
    close_window();
    const ShellNotifyIcon real_shell = shell_notify_icon;
    const IconClock real_clock = icon_clock;
    shell_notify_icon = scripted_shell;
    icon_clock = [] { return icon_now; };
    refusals.clear();
    ASSERT_NE(open_window(), nullptr);
    shell_calls.clear();
    for (std::int64_t wait : {0LL, icon_check_interval_ns - 1, 1LL, icon_check_interval_ns}) {
        if (wait == icon_check_interval_ns) refusals = {{NIM_MODIFY, 1}};
        icon_now += wait;
        tick();
    }
    const std::string tip = expected_tip() + ";", check = "1 1 " + tip;
    EXPECT_EQ(shell_calls, "1 5 " + tip + check + check + "0 7 mivrel;4 7 mivrel;1 5 " + tip);
    shell_notify_icon = real_shell;
    icon_clock = real_clock;
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
            keep_plan_warnings({});
            start_data_plan_watch();
        }
    } guard;
    shell_notify_icon = balloon_shell;
    balloons.clear();
    balloon_refusals = 1;
    data_plan = {1'000, 1, false, 80, "mivrel test adapter"};
    keep_plan_warnings({});
    start_data_plan_watch();
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

    on_notification_icon(0, NIN_BALLOONUSERCLICK);
    MSG message{};
    ASSERT_TRUE(PeekMessageA(&message, window, WM_COMMAND, WM_COMMAND, PM_REMOVE));
    EXPECT_EQ(LOWORD(message.wParam), IDM_USAGE);
}

}  // namespace
