// The Usage window's chart as a screen reader finds it through Active
// Accessibility, and the events it hears while the keys move along the bars.
#include <windows.h>

#include <oleacc.h>

#include <algorithm>
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

namespace {

std::vector<std::pair<DWORD, LONG>> heard;  // event, child

void CALLBACK hear(HWINEVENTHOOK, DWORD event, HWND, LONG object, LONG child, DWORD, DWORD) {
    if (object == OBJID_CLIENT) heard.emplace_back(event, child);
}

VARIANT child_id(long id) {
    VARIANT child{};
    child.vt = VT_I4;
    child.lVal = id;
    return child;
}

std::string text(HRESULT (STDMETHODCALLTYPE IAccessible::*property)(VARIANT, BSTR*), IAccessible* list,
                 long child) {
    BSTR got = nullptr;
    (list->*property)(child_id(child), &got);
    char narrow[256] = {};
    if (got) WideCharToMultiByte(CP_ACP, 0, got, -1, narrow, sizeof narrow, nullptr, nullptr);
    SysFreeString(got);
    return narrow;
}

long answer(HRESULT result, const VARIANT& value) {
    return result == S_OK && value.vt == VT_I4 ? value.lVal : -1;
}

long role(IAccessible* list, long child) {
    VARIANT value{};
    return answer(list->get_accRole(child_id(child), &value), value);
}

long step(IAccessible* list, long from, long direction) {
    VARIANT to{};
    return answer(list->accNavigate(direction, child_id(from), &to), to);
}

std::string local_date(DayNumber day, DWORD flags) {
    const CivilDate date = civil_date(day);
    SYSTEMTIME time{};
    time.wYear = static_cast<WORD>(date.year);
    time.wMonth = static_cast<WORD>(date.month);
    time.wDay = static_cast<WORD>(date.day);
    char text[128] = {};
    GetDateFormatA(LOCALE_USER_DEFAULT, flags, &time, nullptr, text, sizeof text);
    return text;
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
    const bool in_time = run_with_steps(
        [] { open_dialog(IDD_USAGE, usage_dialog_proc); },
        {{"Usage", [&](HWND dialog) {
              HWND chart = GetDlgItem(dialog, IDC_USAGE_CHART);
              IAccessible* list = nullptr;
              ASSERT_EQ(AccessibleObjectFromWindow(chart, OBJID_CLIENT, __uuidof(IAccessible),
                                                   reinterpret_cast<void**>(&list)),
                        S_OK);
              EXPECT_EQ(text(&IAccessible::get_accName, list, CHILDID_SELF), "Daily traffic");
              EXPECT_EQ(role(list, CHILDID_SELF), ROLE_SYSTEM_LIST);
              long count = 0;
              list->get_accChildCount(&count);
              EXPECT_EQ(count, 31);
              SetFocus(chart);  // today, the last
              for (WPARAM key : {VK_LEFT, VK_LEFT, VK_LEFT, VK_HOME, VK_END, VK_LEFT, VK_LEFT, VK_LEFT})
                  SendMessageA(chart, WM_KEYDOWN, key, 0);
              const long chosen = 28;  // three days ago
              EXPECT_EQ(text(&IAccessible::get_accName, list, chosen), local_date(today - 3, DATE_LONGDATE));
              EXPECT_EQ(text(&IAccessible::get_accName, list, chosen) + ": " +
                            text(&IAccessible::get_accValue, list, chosen),
                        control_text(dialog, IDC_USAGE_POINTED));
              EXPECT_NE(text(&IAccessible::get_accValue, list, chosen),
                        text(&IAccessible::get_accValue, list, 27));
              EXPECT_EQ(role(list, chosen), ROLE_SYSTEM_LISTITEM);
              VARIANT state{}, focus{}, selection{};
              EXPECT_EQ(answer(list->get_accState(child_id(chosen), &state), state),
                        STATE_SYSTEM_SELECTABLE | STATE_SYSTEM_FOCUSABLE | STATE_SYSTEM_SELECTED |
                            STATE_SYSTEM_FOCUSED);
              EXPECT_EQ(answer(list->get_accState(child_id(27), &state), state),
                        STATE_SYSTEM_SELECTABLE | STATE_SYSTEM_FOCUSABLE);
              EXPECT_EQ(answer(list->get_accFocus(&focus), focus), chosen);
              EXPECT_EQ(answer(list->get_accSelection(&selection), selection), chosen);
              EXPECT_EQ(step(list, chosen, NAVDIR_NEXT), 29);
              EXPECT_EQ(step(list, chosen, NAVDIR_PREVIOUS), 27);
              EXPECT_EQ(step(list, CHILDID_SELF, NAVDIR_FIRSTCHILD), 1);
              EXPECT_EQ(step(list, CHILDID_SELF, NAVDIR_LASTCHILD), 31);
              EXPECT_EQ(step(list, 31, NAVDIR_NEXT), -1);
              EXPECT_EQ(step(list, 1, NAVDIR_PREVIOUS), -1);
              long left = 0, top = 0, width = 0, height = 0;
              ASSERT_EQ(list->accLocation(&left, &top, &width, &height, child_id(chosen)), S_OK);
              VARIANT hit{};
              EXPECT_EQ(answer(list->accHitTest(left + width / 2, top + height / 2, &hit), hit), chosen);
              RECT client{};
              GetClientRect(chart, &client);
              MapWindowPoints(chart, nullptr, reinterpret_cast<POINT*>(&client), 2);
              EXPECT_TRUE(left >= client.left && left + width <= client.right && width > 0 && height > 0);

              click(dialog, IDC_USAGE_MONTHS);
              EXPECT_EQ(text(&IAccessible::get_accName, list, CHILDID_SELF), "Monthly traffic");
              list->get_accChildCount(&count);
              EXPECT_EQ(count, 12);
              const CivilDate now = civil_date(today);
              EXPECT_EQ(text(&IAccessible::get_accName, list, 12),
                        local_date(day_number({now.year, now.month, 1}), DATE_YEARMONTH));
              list->Release();
              click(dialog, IDCANCEL);
          }}});
    UnhookWinEvent(hook);
    CoUninitialize();
    ASSERT_TRUE(in_time);
    std::vector<std::pair<DWORD, LONG>> expected;
    for (LONG child : {31, 30, 29, 28, 1, 31, 30, 29, 28}) {
        expected.emplace_back(EVENT_OBJECT_FOCUS, child);
        expected.emplace_back(EVENT_OBJECT_SELECTION, child);
    }
    heard.erase(
        std::remove_if(heard.begin(), heard.end(), [](const auto& e) { return e.second == CHILDID_SELF; }),
        heard.end());
    EXPECT_EQ(heard, expected);
}

}  // namespace
