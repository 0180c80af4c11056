#include "dialogs/usage_dialog.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "app/app.h"
#include "app/modal.h"
#include "dialogs/history_export.h"
#include "dialogs/router_dialog.h"
#include "dialogs/usage_chart_window.h"
#include "dialogs/usage_plan_controls.h"
#include "dialogs/usage_view.h"
#include "monitor/router_count.h"
#include "monitor/usage_history.h"
#include "resources/resource.h"
#include "settings/usage_keeping.h"

namespace {

constexpr char all_adapters_text[] = "All hardware adapters";
constexpr char pointing_hint[] = "Point at a day, or use the arrow keys, for its totals.";
constexpr int days_shown = 31;
constexpr int months_shown = 12;
constexpr int label_every = 7;  // days
constexpr UINT set_aside_notice_message = WM_APP + 1;

// The name a damaged history was kept under, for the notice.
char set_aside_name[set_aside_name_size];

DayNumber month_first(DayNumber day) {
    const CivilDate date = civil_date(day);
    return day_number({date.year, date.month, 1});
}

DayNumber previous_month_first(DayNumber day) {
    return month_first(month_first(day) - 1);
}

DayNumber bar_last(int i) {
    if (i + 1 < usage_view.bar_count) return usage_view.bar_first[i + 1] - 1;
    return usage_view.today;
}

// Days: the last 31 through today, the day of the month under every seventh
// counting back from today. Months: the last 12 through this one.
void collect_bars() {
    usage_view.today = local_today();
    usage_view.bar_count = usage_view.months ? months_shown : days_shown;
    DayNumber first = usage_view.today - (days_shown - 1);
    if (usage_view.months) {
        first = month_first(usage_view.today);
        for (int i = 1; i < months_shown; ++i) first = previous_month_first(first);
    }
    for (int i = 0; i < usage_view.bar_count; ++i) {
        usage_view.bar_first[i] = first;
        const CivilDate date = civil_date(first);
        if (usage_view.months) {
            GetLocaleInfoA(LOCALE_USER_DEFAULT, LOCALE_SABBREVMONTHNAME1 + date.month - 1,
                           usage_view.bar_labels[i], sizeof usage_view.bar_labels[i]);
            usage_view.bars[i].labelled = true;
            first = day_number({date.year + date.month / 12, date.month % 12 + 1, 1});
        } else {
            std::snprintf(usage_view.bar_labels[i], sizeof usage_view.bar_labels[i], "%d",
                          static_cast<int>(date.day));
            usage_view.bars[i].labelled = (days_shown - 1 - i) % label_every == 0;
            ++first;
        }
    }
    for (int i = 0; i < usage_view.bar_count; ++i) {
        const ByteCounts counts = usage_between(usage_view.adapter, usage_view.bar_first[i], bar_last(i));
        usage_view.bars[i].received = counts.received;
        usage_view.bars[i].sent = counts.sent;
    }
    usage_view.selected = std::min(usage_view.selected, usage_view.bar_count - 1);
}

void show_total(HWND dialog, int id, DayNumber first, DayNumber last) {
    char text[48];
    format_usage_totals(text, usage_between(usage_view.adapter, first, last));
    set_text(dialog, id, text);
}

void show_totals(HWND dialog) {
    const DayNumber today = usage_view.today;
    show_total(dialog, IDC_USAGE_TODAY, today, today);
    show_total(dialog, IDC_USAGE_YESTERDAY, today - 1, today - 1);
    show_total(dialog, IDC_USAGE_THIS_MONTH, month_first(today), today);
    show_total(dialog, IDC_USAGE_LAST_MONTH, previous_month_first(today), month_first(today) - 1);
    show_total(dialog, IDC_USAGE_PERIOD, plan_period(usage_view.plan.start_day, today).first, today);
    DayNumber first = today;
    usage_first_date(&first);
    show_total(dialog, IDC_USAGE_ALL_DAYS, std::min(first, today), today);
}

void show_pointed(HWND dialog) {
    if (usage_view.selected < 0) {
        set_text(dialog, IDC_USAGE_POINTED, pointing_hint);
        return;
    }
    char date[64];
    format_bar_date(date, usage_view.selected);
    char totals[48];
    format_bar_totals(totals, usage_view.selected);
    char text[128];
    std::snprintf(text, sizeof text, "%s: %s", date, totals);
    set_text(dialog, IDC_USAGE_POINTED, text);
}

void refresh_view(HWND dialog) {
    if (!usage_view.ready) return;
    usage_view.today = local_today();
    show_plan(dialog);
    collect_bars();
    show_totals(dialog);
    show_pointed(dialog);
    InvalidateRect(item(dialog, IDC_USAGE_CHART), nullptr, FALSE);
}

void read_adapter_choice(HWND dialog) {
    HWND list = item(dialog, IDC_USAGE_ADAPTER);
    const LRESULT chosen = SendMessageA(list, CB_GETCURSEL, 0, 0);
    char name[sizeof usage_view.adapter] = {};
    if (chosen > 0 && SendMessageA(list, CB_GETLBTEXTLEN, chosen, 0) < static_cast<LRESULT>(sizeof name))
        SendMessageA(list, CB_GETLBTEXT, chosen, reinterpret_cast<LPARAM>(name));
    std::snprintf(usage_view.adapter, sizeof usage_view.adapter, "%s",
                  chosen > 0 ? name : all_hardware_adapters);
}

// "All hardware adapters" first, then each adapter with history or present
// now; the plan's adapter is chosen first, and kept even when it is gone.
void fill_adapters(HWND dialog) {
    HWND list = item(dialog, IDC_USAGE_ADAPTER);
    SendMessageA(list, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(all_adapters_text));
    const std::int32_t count = usage_adapter_count();
    for (std::int32_t i = 0; i < count; ++i)
        SendMessageA(list, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(usage_adapter_name(i)));
    LRESULT chosen = 0;
    if (plan_is_set(data_plan) && std::strcmp(data_plan.adapter, all_hardware_adapters) != 0) {
        chosen = SendMessageA(list, CB_FINDSTRINGEXACT, 0, reinterpret_cast<LPARAM>(data_plan.adapter));
        if (chosen <= 0)
            chosen = SendMessageA(list, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(data_plan.adapter));
    }
    SendMessageA(list, CB_SETCURSEL, static_cast<WPARAM>(std::max<LRESULT>(chosen, 0)), 0);
    read_adapter_choice(dialog);
}

// A router chosen now is listed before its first day is counted, so that
// the plan can be set to count it at once.
void choose_router(HWND dialog) {
    if (open_router_dialog(dialog) != IDOK || router_choice.source == RouterSource::off ||
        !router_choice.name[0])
        return;
    HWND list = item(dialog, IDC_USAGE_ADAPTER);
    if (SendMessageA(list, CB_FINDSTRINGEXACT, 0, reinterpret_cast<LPARAM>(router_choice.name)) < 0)
        SendMessageA(list, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(router_choice.name));
}

// OK keeps the plan: a larger allowance or a new start day takes effect, and
// re-arms the warnings, at once.
void confirm_usage_dialog(HWND dialog) {
    DataPlan plan;
    if (const int problem = read_plan_controls(dialog, &plan)) {
        wchar_t text[192];
        plan_problem_text(problem, text);
        ModalWindowScope modal;
        MessageBoxW(dialog, text, L"Usage", MB_OK | MB_ICONWARNING);
        SetFocus(item(dialog, problem));
        SendMessageA(item(dialog, problem), EM_SETSEL, 0, -1);
        return;
    }
    data_plan = plan;
    SendMessageA(main_window, settings_confirmed_message, 0, 0);
    EndDialog(dialog, IDOK);
}

INT_PTR on_initdialog(HWND dialog) {
    usage_view = {};
    usage_view.selected = -1;
    fill_adapters(dialog);
    fill_plan_controls(dialog);
    usage_view.ready = true;
    refresh_view(dialog);
    if (take_history_set_aside_notice(set_aside_name)) PostMessageA(dialog, set_aside_notice_message, 0, 0);
    return TRUE;
}

INT_PTR on_command(HWND dialog, int id, int code) {
    switch (id) {
        case IDC_USAGE_ADAPTER:
            if (code == CBN_SELCHANGE) {
                read_adapter_choice(dialog);
                refresh_view(dialog);
            }
            return TRUE;
        case IDC_USAGE_MONTHS:
            usage_view.months = is_checked(dialog, IDC_USAGE_MONTHS);
            refresh_view(dialog);
            return TRUE;
        case IDC_PLAN_ON:
        case IDC_PLAN_DOWNLOAD_ONLY:
            refresh_view(dialog);
            return TRUE;
        case IDC_PLAN_UNIT:
            if (code == CBN_SELCHANGE) refresh_view(dialog);
            return TRUE;
        case IDC_PLAN_LIMIT:
        case IDC_PLAN_START_DAY:
        case IDC_PLAN_WARN:
            if (code == EN_CHANGE) refresh_view(dialog);
            return TRUE;
        case IDC_USAGE_CHART:
            if (code == usage_chart_selected) show_pointed(dialog);
            return TRUE;
        case IDC_USAGE_EXPORT:
            export_history(dialog);
            return TRUE;
        case IDC_USAGE_ROUTER:
            choose_router(dialog);
            return TRUE;
        case IDOK:
            confirm_usage_dialog(dialog);
            return TRUE;
        case IDCANCEL:
            EndDialog(dialog, IDCANCEL);
            return TRUE;
        default:
            return FALSE;
    }
}

INT_PTR on_set_aside_notice(HWND dialog) {
    char text[192];
    std::snprintf(
        text, sizeof text,
        "The usage history could not be read whole. It was kept as %s, and a new history has started.",
        set_aside_name);
    ModalWindowScope modal;
    MessageBoxA(dialog, text, "Usage", MB_OK | MB_ICONWARNING);
    return TRUE;
}

}  // namespace

INT_PTR CALLBACK usage_dialog_proc(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam) {
    switch (message) {
        case WM_INITDIALOG:
            return on_initdialog(dialog);
        case WM_COMMAND:
            return on_command(dialog, LOWORD(wparam), HIWORD(wparam));
        case set_aside_notice_message:
            return on_set_aside_notice(dialog);
        default:
            (void)lparam;
            return FALSE;
    }
}
