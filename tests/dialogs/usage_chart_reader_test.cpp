// The Usage window as a screen reader finds it through Active Accessibility:
// its boxes' labels, its chart, and the events it hears while the keys move
// along the bars.
#include <algorithm>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "dialog_driver.h"
#include "dialog_fixture.h"
#include "dialogs/usage_chart_window.h"
#include "dialogs/usage_dialog.h"
#include "monitor/calendar.h"
#include "monitor/usage_count.h"
#include "resources/resource.h"
#include "support/msaa.h"

namespace {

std::vector<std::pair<DWORD, LONG>> heard;  // event, child

void CALLBACK hear(HWINEVENTHOOK, DWORD event, HWND, LONG object, LONG child, DWORD, DWORD) {
    if (object == OBJID_CLIENT && child != CHILDID_SELF) heard.emplace_back(event, child);
}

using UsageChartReaderTest = DialogTest;

// A list of the 31 days shown, each named by its date and valued by its
// totals as the line under the chart says them; the keys move its focus and
// selection, and a reader hears each move. With "Last 12 months", the months.
TEST_F(UsageChartReaderTest, ReadsAsAListOfDaysThatTheKeysMoveThrough) {
    ASSERT_TRUE(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)));
    const DayNumber today = local_today();
    usage_count = {};
    add_usage(usage_count, usage_adapter_index(usage_count, "eth0", true), today - 3, true, 1'800'000'000,
              146'000'000);
    heard.clear();
    HWINEVENTHOOK hook =
        SetWinEventHook(EVENT_OBJECT_FOCUS, EVENT_OBJECT_SELECTION, GetModuleHandleA(nullptr), hear,
                        GetCurrentProcessId(), 0, WINEVENT_INCONTEXT);
    register_usage_chart();
    const auto read = [&](HWND dialog) {
        HWND chart = GetDlgItem(dialog, IDC_USAGE_CHART);
        IAccessible* list = client_object(chart);
        ASSERT_NE(list, nullptr);
        EXPECT_EQ(accessible_text(list, &IAccessible::get_accName), "Daily traffic");
        VARIANT number{};
        long count = 0;
        list->get_accChildCount(&count);
        EXPECT_EQ(count, 31);
        // The window is the program's own: each box and list follows the label that names it.
        for (const auto& [id, label] : std::map<int, std::string>{{IDC_USAGE_ADAPTER, "&Adapter:"},
                                                                  {IDC_PLAN_LIMIT, "A&llowance:"},
                                                                  {IDC_PLAN_UNIT, "A&llowance:"},
                                                                  {IDC_PLAN_START_DAY, "a month, from day"},
                                                                  {IDC_PLAN_WARN, "&Warn at"}})
            EXPECT_EQ(documented_label(GetDlgItem(dialog, id)), label) << id;
        SetFocus(chart);  // today, the last
        for (WPARAM key : {VK_LEFT, VK_LEFT, VK_LEFT, VK_HOME, VK_END, VK_LEFT, VK_LEFT, VK_LEFT})
            SendMessageA(chart, WM_KEYDOWN, key, 0);
        const long chosen = 28;  // three days ago
        // The line says the day in the user's long date format, then its totals.
        EXPECT_EQ(accessible_text(list, &IAccessible::get_accName, chosen) + ": " +
                      accessible_text(list, &IAccessible::get_accValue, chosen),
                  control_text(dialog, IDC_USAGE_POINTED));
        EXPECT_EQ(
            accessible_number(list->get_accState(child_id(chosen), &number), number),
            STATE_SYSTEM_SELECTABLE | STATE_SYSTEM_FOCUSABLE | STATE_SYSTEM_SELECTED | STATE_SYSTEM_FOCUSED);
        EXPECT_EQ(accessible_number(list->get_accFocus(&number), number), chosen);
        EXPECT_EQ(accessible_number(list->get_accSelection(&number), number), chosen);
        // From, direction, to (-1: none).
        const long steps[][3] = {{chosen, NAVDIR_NEXT, 29}, {chosen, NAVDIR_PREVIOUS, 27},
                                 {0, NAVDIR_FIRSTCHILD, 1}, {0, NAVDIR_LASTCHILD, 31},
                                 {31, NAVDIR_NEXT, -1},     {1, NAVDIR_PREVIOUS, -1}};
        for (const auto& s : steps)
            EXPECT_EQ(accessible_number(list->accNavigate(s[1], child_id(s[0]), &number), number), s[2]);
        long left = 0, top = 0, width = 0, height = 0;
        ASSERT_EQ(list->accLocation(&left, &top, &width, &height, child_id(chosen)), S_OK);
        EXPECT_EQ(accessible_number(list->accHitTest(left + width / 2, top + height / 2, &number), number),
                  chosen);

        click(dialog, IDC_USAGE_MONTHS);
        EXPECT_EQ(accessible_text(list, &IAccessible::get_accName), "Monthly traffic");
        list->get_accChildCount(&count);
        EXPECT_EQ(count, 12);
        EXPECT_EQ(accessible_text(list, &IAccessible::get_accName, 12) + ": " +
                      accessible_text(list, &IAccessible::get_accValue, 12),
                  control_text(dialog, IDC_USAGE_POINTED));
        list->Release();
        click(dialog, IDCANCEL);
    };
    const bool in_time = run_with_steps([] { open_dialog(IDD_USAGE, usage_dialog_proc); }, {{"Usage", read}});
    UnhookWinEvent(hook);
    CoUninitialize();
    ASSERT_TRUE(in_time);
    std::vector<std::pair<DWORD, LONG>> expected;
    for (LONG child : {31, 30, 29, 28, 1, 31, 30, 29, 28}) {
        expected.emplace_back(EVENT_OBJECT_FOCUS, child);
        expected.emplace_back(EVENT_OBJECT_SELECTION, child);
    }
    EXPECT_EQ(heard, expected);
}

}  // namespace
