#include "dialogs/usage_plan_controls.h"

#include <cstdio>
#include <cstring>
#include <cwchar>

#include "app/data_plan_watch.h"
#include "dialogs/allowance_box.h"
#include "dialogs/usage_view.h"
#include "resources/resource.h"

namespace {

constexpr char all_adapters_text[] = "All hardware adapters";

// In the unit chosen beside it.
bool read_allowance(HWND dialog, std::int64_t* limit_mb) {
    const bool gigabytes = SendMessageA(item(dialog, IDC_PLAN_UNIT), CB_GETCURSEL, 0, 0) == 1;
    return read_allowance_box(item(dialog, IDC_PLAN_LIMIT), gigabytes, limit_mb);
}

bool read_number(HWND dialog, int id, int lowest, int highest, std::int32_t* number) {
    BOOL read = FALSE;
    const UINT value = GetDlgItemInt(dialog, id, &read, FALSE);
    if (!read || value < static_cast<UINT>(lowest) || value > static_cast<UINT>(highest)) return false;
    *number = static_cast<std::int32_t>(value);
    return true;
}

}  // namespace

int read_plan_controls(HWND dialog, DataPlan* plan) {
    *plan = data_plan;
    std::snprintf(plan->adapter, sizeof plan->adapter, "%s", usage_view.adapter);
    plan->download_only = is_checked(dialog, IDC_PLAN_DOWNLOAD_ONLY);
    if (!read_number(dialog, IDC_PLAN_START_DAY, 1, 31, &plan->start_day)) return IDC_PLAN_START_DAY;
    if (!read_number(dialog, IDC_PLAN_WARN, 1, 99, &plan->warn_percent)) return IDC_PLAN_WARN;
    if (!is_checked(dialog, IDC_PLAN_ON)) {
        plan->limit_mb = 0;
        return 0;
    }
    return read_allowance(dialog, &plan->limit_mb) ? 0 : IDC_PLAN_LIMIT;
}

void show_plan(HWND dialog) {
    const bool on = is_checked(dialog, IDC_PLAN_ON);
    for (int id : {IDC_PLAN_LIMIT, IDC_PLAN_UNIT, IDC_PLAN_START_DAY, IDC_PLAN_WARN, IDC_PLAN_DOWNLOAD_ONLY})
        EnableWindow(item(dialog, id), on);
    const int problem = read_plan_controls(dialog, &usage_view.plan);
    usage_view.plan_valid = problem == 0;
    if (!usage_view.plan_valid) usage_view.plan.start_day = data_plan.start_day;
    char text[600];
    const char* adapter =
        std::strcmp(usage_view.adapter, all_hardware_adapters) == 0 ? all_adapters_text : usage_view.adapter;
    std::snprintf(text, sizeof text, on ? "Counts the adapter chosen above: %s." : "", adapter);
    set_text(dialog, IDC_PLAN_ADAPTER, text);
    if (on && problem == IDC_PLAN_LIMIT) {
        wchar_t hint[192];
        allowance_hint(hint);
        SetWindowTextW(item(dialog, IDC_PLAN_STATUS), hint);
        set_text(dialog, IDC_PLAN_PACE, "");
        return;
    }
    char usage[96] = "", pace[96] = "";
    if (on && problem) {
        std::snprintf(usage, sizeof usage, "%s",
                      "The period starts on a day 1 to 31; the warning is at 1 to 99 %.");
    } else if (on) {
        const PlanStatus status = data_plan_status(usage_view.plan, usage_view.today);
        format_plan_usage(usage, status);
        char last[64];
        format_day_and_month(last, status.period.last);
        format_plan_pace(pace, status, last);
    }
    set_text(dialog, IDC_PLAN_STATUS, usage);
    set_text(dialog, IDC_PLAN_PACE, pace);
}

// Whole gigabytes show as GB; anything else as the MB it is.
void fill_plan_controls(HWND dialog) {
    HWND unit = item(dialog, IDC_PLAN_UNIT);
    SendMessageA(unit, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>("MB"));
    SendMessageA(unit, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>("GB"));
    const std::int64_t limit = data_plan.limit_mb;
    const bool gigabytes = limit == 0 || limit % 1000 == 0;
    SendMessageA(unit, CB_SETCURSEL, gigabytes ? 1 : 0, 0);
    show_allowance_box(item(dialog, IDC_PLAN_LIMIT), gigabytes ? limit / 1000 : limit);
    SetDlgItemInt(dialog, IDC_PLAN_START_DAY, static_cast<UINT>(data_plan.start_day), FALSE);
    SendMessageA(item(dialog, IDC_PLAN_START_DAY), EM_LIMITTEXT, 2, 0);
    SetDlgItemInt(dialog, IDC_PLAN_WARN, static_cast<UINT>(data_plan.warn_percent), FALSE);
    SendMessageA(item(dialog, IDC_PLAN_WARN), EM_LIMITTEXT, 2, 0);
    SendMessageA(item(dialog, IDC_PLAN_ON), BM_SETCHECK, plan_is_set(data_plan) ? BST_CHECKED : BST_UNCHECKED,
                 0);
    SendMessageA(item(dialog, IDC_PLAN_DOWNLOAD_ONLY), BM_SETCHECK,
                 data_plan.download_only ? BST_CHECKED : BST_UNCHECKED, 0);
}

void plan_problem_text(int problem, wchar_t (&text)[192]) {
    if (problem == IDC_PLAN_LIMIT)
        allowance_hint(text);
    else
        std::swprintf(text, 192, L"%ls",
                      L"The period starts on a day 1 to 31, and the warning is at 1 to 99 %.");
}
