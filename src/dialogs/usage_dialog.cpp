#include "dialogs/usage_dialog.h"

#include <commdlg.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "app/app.h"
#include "app/data_plan_watch.h"
#include "app/modal.h"
#include "graph/dpi.h"
#include "graph/usage_chart_win.h"
#include "monitor/data_plan.h"
#include "monitor/format_rate.h"
#include "monitor/traffic_graph.h"
#include "resources/resource.h"
#include "settings/settings.h"

namespace {

constexpr char chart_class[] = "MivrelUsageChart";
constexpr char all_adapters_text[] = "All hardware adapters";
constexpr char pointing_hint[] = "Point at a day, or use the arrow keys, for its totals.";
constexpr int days_shown = 31;
constexpr int months_shown = 12;
constexpr int label_every = 7;  // days
constexpr UINT set_aside_notice_message = WM_APP + 1;

// What the window shows: the adapter chosen, the bars of the chart and the
// plan as the controls have it now, confirmed only by OK.
struct UsageView {
    char adapter[512];
    bool months;
    DayNumber today;
    int bar_count;
    DayNumber bar_first[usage_chart_max_bars];
    UsageChartBar bars[usage_chart_max_bars];
    char bar_labels[usage_chart_max_bars][8];
    int selected;  // -1: none
    DataPlan plan;
    bool plan_valid;  // the controls hold a plan that OK can keep
    bool ready;       // the controls are filled: their changes count from now on
};

UsageView view;

HWND item(HWND dialog, int id) {
    return GetDlgItem(dialog, id);
}

bool is_checked(HWND dialog, int id) {
    return SendMessageA(item(dialog, id), BM_GETCHECK, 0, 0) == BST_CHECKED;
}

void set_text(HWND dialog, int id, const char* text) {
    SetWindowTextA(item(dialog, id), text);
}

// With a plan, every count is in its units, so that nothing stands beside a
// figure in others.
void format_count(char (&text)[16], std::uint64_t bytes) {
    if (view.plan_valid && plan_is_set(view.plan))
        format_plan_bytes(text, bytes);
    else
        format_byte_count(text, bytes);
}

void format_totals(char (&text)[48], const ByteCounts& counts) {
    char in[16], out[16];
    format_count(in, counts.received);
    format_count(out, counts.sent);
    std::snprintf(text, sizeof text, "%.15s down, %.15s up", in, out);
}

SYSTEMTIME system_date(DayNumber day) {
    const CivilDate date = civil_date(day);
    SYSTEMTIME time{};
    time.wYear = static_cast<WORD>(date.year);
    time.wMonth = static_cast<WORD>(date.month);
    time.wDay = static_cast<WORD>(date.day);
    return time;
}

// In the user's own format: the long date, the year and month, or the day and
// month ("14 Jan" or "January 14") where the locale has one.
void format_local_date(char* text, int size, DayNumber day, DWORD flags) {
    const SYSTEMTIME time = system_date(day);
    if (!GetDateFormatA(LOCALE_USER_DEFAULT, flags, &time, nullptr, text, size)) text[0] = '\0';
}

void format_day_and_month(char (&text)[64], DayNumber day) {
    char pattern[80] = {};
    const SYSTEMTIME time = system_date(day);
    if (GetLocaleInfoA(LOCALE_USER_DEFAULT, LOCALE_SMONTHDAY, pattern, sizeof pattern) &&
        GetDateFormatA(LOCALE_USER_DEFAULT, 0, &time, pattern, text, sizeof text))
        return;
    format_local_date(text, sizeof text, day, DATE_SHORTDATE);
}

DayNumber month_first(DayNumber day) {
    const CivilDate date = civil_date(day);
    return day_number({date.year, date.month, 1});
}

DayNumber previous_month_first(DayNumber day) {
    return month_first(month_first(day) - 1);
}

DayNumber bar_last(int i) {
    if (i + 1 < view.bar_count) return view.bar_first[i + 1] - 1;
    return view.today;
}

// Days: the last 31 through today, the day of the month under every seventh
// counting back from today. Months: the last 12 through this one.
void collect_bars() {
    view.today = local_today();
    view.bar_count = view.months ? months_shown : days_shown;
    DayNumber first = view.today - (days_shown - 1);
    if (view.months) {
        first = month_first(view.today);
        for (int i = 1; i < months_shown; ++i) first = previous_month_first(first);
    }
    for (int i = 0; i < view.bar_count; ++i) {
        view.bar_first[i] = first;
        const CivilDate date = civil_date(first);
        if (view.months) {
            GetLocaleInfoA(LOCALE_USER_DEFAULT, LOCALE_SABBREVMONTHNAME1 + date.month - 1, view.bar_labels[i],
                           sizeof view.bar_labels[i]);
            view.bars[i].labelled = true;
            first = day_number({date.year + date.month / 12, date.month % 12 + 1, 1});
        } else {
            std::snprintf(view.bar_labels[i], sizeof view.bar_labels[i], "%d", static_cast<int>(date.day));
            view.bars[i].labelled = (days_shown - 1 - i) % label_every == 0;
            ++first;
        }
    }
    for (int i = 0; i < view.bar_count; ++i) {
        const ByteCounts counts = usage_between(view.adapter, view.bar_first[i], bar_last(i));
        view.bars[i].received = counts.received;
        view.bars[i].sent = counts.sent;
    }
    view.selected = std::min(view.selected, view.bar_count - 1);
}

void show_total(HWND dialog, int id, DayNumber first, DayNumber last) {
    char text[48];
    format_totals(text, usage_between(view.adapter, first, last));
    set_text(dialog, id, text);
}

void show_totals(HWND dialog) {
    const DayNumber today = view.today;
    show_total(dialog, IDC_USAGE_TODAY, today, today);
    show_total(dialog, IDC_USAGE_YESTERDAY, today - 1, today - 1);
    show_total(dialog, IDC_USAGE_THIS_MONTH, month_first(today), today);
    show_total(dialog, IDC_USAGE_LAST_MONTH, previous_month_first(today), month_first(today) - 1);
    show_total(dialog, IDC_USAGE_PERIOD, plan_period(view.plan.start_day, today).first, today);
    DayNumber first = today;
    usage_first_date(&first);
    show_total(dialog, IDC_USAGE_ALL_DAYS, std::min(first, today), today);
}

void show_pointed(HWND dialog) {
    if (view.selected < 0) {
        set_text(dialog, IDC_USAGE_POINTED, pointing_hint);
        return;
    }
    char date[64];
    format_local_date(date, sizeof date, view.bar_first[view.selected],
                      view.months ? DATE_YEARMONTH : DATE_LONGDATE);
    char totals[48];
    const UsageChartBar& bar = view.bars[view.selected];
    format_totals(totals, {bar.received, bar.sent});
    char text[128];
    std::snprintf(text, sizeof text, "%s: %s", date, totals);
    set_text(dialog, IDC_USAGE_POINTED, text);
}

// "50", "1.5" or "1,5" in the unit chosen beside it; false for anything else.
bool read_allowance(HWND dialog, std::int64_t* limit_mb) {
    char text[32] = {};
    GetWindowTextA(item(dialog, IDC_PLAN_LIMIT), text, sizeof text);
    for (char& c : text)
        if (c == ',') c = '.';
    char* end = nullptr;
    const double amount = std::strtod(text, &end);
    while (end && *end == ' ') ++end;
    if (end == text || !end || *end || !(amount > 0)) return false;
    const bool gigabytes = SendMessageA(item(dialog, IDC_PLAN_UNIT), CB_GETCURSEL, 0, 0) == 1;
    const double megabytes = std::round(amount * (gigabytes ? 1000.0 : 1.0));
    if (megabytes < 1 || megabytes > static_cast<double>(plan_limit_mb_max)) return false;
    *limit_mb = static_cast<std::int64_t>(megabytes);
    return true;
}

bool read_number(HWND dialog, int id, int lowest, int highest, std::int32_t* number) {
    BOOL read = FALSE;
    const UINT value = GetDlgItemInt(dialog, id, &read, FALSE);
    if (!read || value < static_cast<UINT>(lowest) || value > static_cast<UINT>(highest)) return false;
    *number = static_cast<std::int32_t>(value);
    return true;
}

// The plan as the controls have it; `problem` names the first control that
// holds no valid value, 0 when all do.
int read_plan_controls(HWND dialog, DataPlan* plan) {
    *plan = data_plan;
    std::snprintf(plan->adapter, sizeof plan->adapter, "%s", view.adapter);
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
    const int problem = read_plan_controls(dialog, &view.plan);
    view.plan_valid = problem == 0;
    if (!view.plan_valid) view.plan.start_day = data_plan.start_day;
    char text[600];
    const char* adapter =
        std::strcmp(view.adapter, all_hardware_adapters) == 0 ? all_adapters_text : view.adapter;
    std::snprintf(text, sizeof text, on ? "Counts the adapter chosen above: %s." : "", adapter);
    set_text(dialog, IDC_PLAN_ADAPTER, text);
    char usage[96] = "", pace[96] = "";
    if (on && problem == IDC_PLAN_LIMIT) {
        std::snprintf(usage, sizeof usage, "%s", "Type the allowance, such as 50 or 1.5, in MB or GB.");
    } else if (on && problem) {
        std::snprintf(usage, sizeof usage, "%s",
                      "The period starts on a day 1 to 31; the warning is at 1 to 99 %.");
    } else if (on) {
        const PlanStatus status = data_plan_status(view.plan, view.today);
        format_plan_usage(usage, status);
        char last[64];
        format_day_and_month(last, status.period.last);
        format_plan_pace(pace, status, last);
    }
    set_text(dialog, IDC_PLAN_STATUS, usage);
    set_text(dialog, IDC_PLAN_PACE, pace);
}

void refresh_view(HWND dialog) {
    if (!view.ready) return;
    view.today = local_today();
    show_plan(dialog);
    collect_bars();
    show_totals(dialog);
    show_pointed(dialog);
    InvalidateRect(item(dialog, IDC_USAGE_CHART), nullptr, FALSE);
}

void read_adapter_choice(HWND dialog) {
    HWND list = item(dialog, IDC_USAGE_ADAPTER);
    const LRESULT chosen = SendMessageA(list, CB_GETCURSEL, 0, 0);
    char name[sizeof view.adapter] = {};
    if (chosen > 0 && SendMessageA(list, CB_GETLBTEXTLEN, chosen, 0) < static_cast<LRESULT>(sizeof name))
        SendMessageA(list, CB_GETLBTEXT, chosen, reinterpret_cast<LPARAM>(name));
    std::snprintf(view.adapter, sizeof view.adapter, "%s", chosen > 0 ? name : all_hardware_adapters);
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

// Whole gigabytes show as GB; anything else as the MB it is.
void fill_plan_controls(HWND dialog) {
    HWND unit = item(dialog, IDC_PLAN_UNIT);
    SendMessageA(unit, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>("MB"));
    SendMessageA(unit, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>("GB"));
    const std::int64_t limit = data_plan.limit_mb;
    const bool gigabytes = limit == 0 || limit % 1000 == 0;
    SendMessageA(unit, CB_SETCURSEL, gigabytes ? 1 : 0, 0);
    char text[32] = "";
    if (limit > 0)
        std::snprintf(text, sizeof text, "%lld", static_cast<long long>(gigabytes ? limit / 1000 : limit));
    set_text(dialog, IDC_PLAN_LIMIT, text);
    SendMessageA(item(dialog, IDC_PLAN_LIMIT), EM_LIMITTEXT, 20, 0);
    SetDlgItemInt(dialog, IDC_PLAN_START_DAY, static_cast<UINT>(data_plan.start_day), FALSE);
    SendMessageA(item(dialog, IDC_PLAN_START_DAY), EM_LIMITTEXT, 2, 0);
    SetDlgItemInt(dialog, IDC_PLAN_WARN, static_cast<UINT>(data_plan.warn_percent), FALSE);
    SendMessageA(item(dialog, IDC_PLAN_WARN), EM_LIMITTEXT, 2, 0);
    SendMessageA(item(dialog, IDC_PLAN_ON), BM_SETCHECK, plan_is_set(data_plan) ? BST_CHECKED : BST_UNCHECKED,
                 0);
    SendMessageA(item(dialog, IDC_PLAN_DOWNLOAD_ONLY), BM_SETCHECK,
                 data_plan.download_only ? BST_CHECKED : BST_UNCHECKED, 0);
}

// Through the wide API, so that any folder the user can name will do.
void export_history(HWND dialog) {
    char iso[11];
    format_iso_date(iso, local_today());
    char name[32];
    std::snprintf(name, sizeof name, "mivrel-usage-%s.csv", iso);
    wchar_t path[1024] = {};
    MultiByteToWideChar(CP_ACP, 0, name, -1, path, sizeof path / sizeof *path);
    OPENFILENAMEW request{};
    request.lStructSize = sizeof request;
    request.hwndOwner = dialog;
    request.lpstrFilter = L"CSV files (*.csv)\0*.csv\0All files (*.*)\0*.*\0";
    request.lpstrFile = path;
    request.nMaxFile = sizeof path / sizeof *path;
    request.lpstrDefExt = L"csv";
    request.Flags =
        OFN_EXPLORER | OFN_OVERWRITEPROMPT | OFN_PATHMUSTEXIST | OFN_HIDEREADONLY | OFN_NOCHANGEDIR;
    {
        ModalWindowScope modal;
        if (!GetSaveFileNameW(&request)) return;
    }
    char utf8[sizeof path / sizeof *path * 3] = {};
    const bool converted = WideCharToMultiByte(CP_UTF8, 0, path, -1, utf8, sizeof utf8, nullptr, nullptr) > 0;
    if (converted && export_usage_history(utf8)) return;
    ModalWindowScope modal;
    MessageBoxA(dialog, "The usage history could not be written to that file.", "Usage",
                MB_OK | MB_ICONWARNING);
}

// OK keeps the plan: a larger allowance or a new start day takes effect, and
// re-arms the warnings, at once.
void confirm_usage_dialog(HWND dialog) {
    DataPlan plan;
    if (const int problem = read_plan_controls(dialog, &plan)) {
        ModalWindowScope modal;
        MessageBoxA(dialog,
                    problem == IDC_PLAN_LIMIT
                        ? "Type the allowance, such as 50 or 1.5, in MB or GB."
                        : "The period starts on a day 1 to 31, and the warning is at 1 to 99 %.",
                    "Usage", MB_OK | MB_ICONWARNING);
        SetFocus(item(dialog, problem));
        SendMessageA(item(dialog, problem), EM_SETSEL, 0, -1);
        return;
    }
    data_plan = plan;
    save_settings();
    watch_data_plan();
    EndDialog(dialog, IDOK);
}

INT_PTR on_initdialog(HWND dialog) {
    view = {};
    view.selected = -1;
    fill_adapters(dialog);
    fill_plan_controls(dialog);
    view.ready = true;
    refresh_view(dialog);
    if (take_history_set_aside_notice()) PostMessageA(dialog, set_aside_notice_message, 0, 0);
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
            view.months = is_checked(dialog, IDC_USAGE_MONTHS);
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
        case IDC_USAGE_EXPORT:
            export_history(dialog);
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
    ModalWindowScope modal;
    MessageBoxA(dialog,
                "The usage history could not be read whole. It was kept as usage-history.bad.csv, and a "
                "new history has started.",
                "Usage", MB_OK | MB_ICONWARNING);
    return TRUE;
}

// The chart control: pointing or the arrow keys choose a bar, whose totals
// the line under the chart tells.

int window_dpi(HWND window) {
    using GetDpiForWindowFunction = UINT(WINAPI*)(HWND);
    static const auto get_dpi_for_window = reinterpret_cast<GetDpiForWindowFunction>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("user32.dll"), "GetDpiForWindow")));
    const UINT dpi = get_dpi_for_window ? get_dpi_for_window(window) : 0;
    return dpi ? static_cast<int>(dpi) : base_dpi;
}

HFONT dialog_font(HWND chart) {
    return reinterpret_cast<HFONT>(SendMessageA(GetParent(chart), WM_GETFONT, 0, 0));
}

UsageChartGeometry chart_geometry(HWND chart) {
    RECT client{};
    GetClientRect(chart, &client);
    HDC dc = GetDC(chart);
    HGDIOBJ previous = SelectObject(dc, dialog_font(chart));
    TEXTMETRICA metrics{};
    GetTextMetricsA(dc, &metrics);
    SelectObject(dc, previous);
    ReleaseDC(chart, dc);
    return usage_chart_geometry(client.right, client.bottom, window_dpi(chart), metrics.tmHeight, view.bars,
                                view.bar_count);
}

void select_bar(HWND chart, int bar) {
    if (bar == view.selected) return;
    view.selected = bar;
    show_pointed(GetParent(chart));
    InvalidateRect(chart, nullptr, FALSE);
}

LRESULT on_chart_paint(HWND chart) {
    PAINTSTRUCT paint;
    HDC target = BeginPaint(chart, &paint);
    const UsageChartGeometry geometry = chart_geometry(chart);
    char scale[16];
    format_count(scale, geometry.top_value);
    const UsageChartTexts texts{scale, view.bar_labels, view.bars, view.selected, GetFocus() == chart};
    paint_usage_chart(target, geometry, texts, shown_palette(traffic_graph.colors, traffic_graph.contrast),
                      dialog_font(chart));
    EndPaint(chart, &paint);
    return 0;
}

LRESULT on_chart_mousemove(HWND chart, int x) {
    TRACKMOUSEEVENT leave{sizeof leave, TME_LEAVE, chart, 0};
    TrackMouseEvent(&leave);
    select_bar(chart, usage_chart_bar_at(chart_geometry(chart), x));
    return 0;
}

LRESULT on_chart_keydown(HWND chart, WPARAM key) {
    const int last = view.bar_count - 1;
    const int at = view.selected < 0 ? last : view.selected;
    if (key == VK_LEFT) select_bar(chart, std::max(at - 1, 0));
    if (key == VK_RIGHT) select_bar(chart, std::min(at + 1, last));
    if (key == VK_HOME) select_bar(chart, 0);
    if (key == VK_END) select_bar(chart, last);
    return 0;
}

LRESULT on_chart_focus(HWND chart, bool gained) {
    if (gained && view.selected < 0) select_bar(chart, view.bar_count - 1);
    InvalidateRect(chart, nullptr, FALSE);
    return 0;
}

LRESULT CALLBACK chart_proc(HWND chart, UINT message, WPARAM wparam, LPARAM lparam) {
    switch (message) {
        case WM_PAINT:
            return on_chart_paint(chart);
        case WM_ERASEBKGND:
            return 1;
        case WM_GETDLGCODE:
            return DLGC_WANTARROWS;
        case WM_MOUSEMOVE:
            return on_chart_mousemove(chart, static_cast<short>(LOWORD(lparam)));
        case WM_MOUSELEAVE:
            if (GetFocus() != chart) select_bar(chart, -1);
            return 0;
        case WM_LBUTTONDOWN:
            SetFocus(chart);
            return 0;
        case WM_KEYDOWN:
            return on_chart_keydown(chart, wparam);
        case WM_SETFOCUS:
            return on_chart_focus(chart, true);
        case WM_KILLFOCUS:
            return on_chart_focus(chart, false);
        default:
            return DefWindowProcA(chart, message, wparam, lparam);
    }
}

}  // namespace

void register_usage_chart() {
    WNDCLASSEXA chart{};
    chart.cbSize = sizeof chart;
    if (GetClassInfoExA(instance, chart_class, &chart)) return;
    chart.style = CS_HREDRAW | CS_VREDRAW;
    chart.lpfnWndProc = chart_proc;
    chart.hInstance = instance;
    chart.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    chart.lpszClassName = chart_class;
    RegisterClassExA(&chart);
}

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
