#include "dialogs/router_dialog.h"

#include <commctrl.h>

#include <cstdio>
#include <cstring>
#include <memory>

#include "app/app.h"
#include "app/modal.h"
#include "app/window_dpi.h"
#include "dialogs/usage_view.h"
#include "monitor/format_rate.h"
#include "monitor/router_count.h"
#include "monitor/router_poll.h"
#include "monitor/router_words.h"
#include "resources/resource.h"

RouterRequests router_requests = {request_router_search, request_router_at, request_snmp_interfaces};

namespace {

// Sent by take_router_answer to the open dialog: wParam and lParam as the
// router's thread posted them; the record stays the sender's.
constexpr UINT router_found_message = WM_APP + 1;

constexpr char searching_text[] = "Searching...";
constexpr char reading_text[] = "Reading...";
constexpr char default_community[] = "public";

// The dialog that is open, and what its lists show: the last answers, which
// OK takes the chosen row from, and where the interface table was read.
struct RouterDialogState {
    HWND dialog;
    RouterSearch found;
    SnmpInterfaces interfaces;
    char asked_host[router_text_size];
    char asked_community[router_community_size];
};
RouterDialogState state = {};

template <std::size_t size>
bool copy_whole(char (&to)[size], const char* from) {
    return static_cast<std::size_t>(std::snprintf(to, size, "%s", from)) < size;
}

template <std::size_t size>
void read_text(HWND dialog, int id, char (&text)[size]) {
    if (!GetDlgItemTextA(dialog, id, text, static_cast<int>(size))) text[0] = '\0';
}

void say(HWND dialog, const char* text) {
    set_text(dialog, IDC_ROUTER_STATUS, text);
}

void format_counters(char (&text)[48], std::uint64_t received, std::uint64_t sent) {
    char in[16], out[16];
    format_byte_count(in, received);
    format_byte_count(out, sent);
    std::snprintf(text, sizeof text, "%.15s down, %.15s up", in, out);
}

// ---- The lists

void add_column(HWND list, int index, const char* title) {
    LVCOLUMNA column{};
    column.mask = LVCF_TEXT | LVCF_SUBITEM;
    column.pszText = const_cast<char*>(title);
    column.iSubItem = index;
    ListView_InsertColumn(list, index, &column);
}

// As a share of the list's width, so that the columns follow the dialog's
// size at every DPI.
void size_columns(HWND list) {
    RECT client{};
    GetClientRect(list, &client);
    const int width = client.right - system_metric_at_dpi(SM_CXVSCROLL, window_dpi(list));
    ListView_SetColumnWidth(list, 0, width * 2 / 5);
    ListView_SetColumnWidth(list, 1, width / 4);
    ListView_SetColumnWidth(list, 2, width - width * 2 / 5 - width / 4);
}

void add_row(HWND list, int row, const char* first, const char* second, const char* third) {
    LVITEMA item{};
    item.mask = LVIF_TEXT;
    item.iItem = row;
    item.pszText = const_cast<char*>(first);
    ListView_InsertItem(list, &item);
    ListView_SetItemText(list, row, 1, const_cast<char*>(second));
    ListView_SetItemText(list, row, 2, const_cast<char*>(third));
}

int chosen_row(HWND dialog, int id) {
    return ListView_GetNextItem(item(dialog, id), -1, LVNI_SELECTED);
}

bool is_counted_now(const char* identity) {
    return router_choice.identity[0] && std::strcmp(identity, router_choice.identity) == 0;
}

// The router counted now is picked again where a list shows it; otherwise
// the first row takes the focus, for the arrow keys.
void focus_row(HWND list, int count, int counted) {
    if (count <= 0) return;
    const UINT state_bits = counted >= 0 ? LVIS_FOCUSED | LVIS_SELECTED : LVIS_FOCUSED;
    ListView_SetItemState(list, counted >= 0 ? counted : 0, state_bits, state_bits);
}

void show_found(HWND dialog) {
    HWND list = item(dialog, IDC_ROUTER_FOUND);
    ListView_DeleteAllItems(list);
    int counted = -1;
    for (int i = 0; i < state.found.count; ++i) {
        const FoundRouter& router = state.found.routers[i];
        if (is_counted_now(router.identity)) counted = i;
        char counters[48];
        if (router.problem == RouterProblem::none)
            format_counters(counters, router.received, router.sent);
        else
            std::snprintf(counters, sizeof counters, "%s",
                          router.detail[0] ? router.detail : router_problem_words(router.problem));
        add_row(list, i, router.friendly_name, router.address, counters);
    }
    focus_row(list, state.found.count, counted);
}

void show_interfaces(HWND dialog) {
    HWND list = item(dialog, IDC_ROUTER_INTERFACE_LIST);
    ListView_DeleteAllItems(list);
    int counted = -1;
    for (int i = 0; i < state.interfaces.list.count; ++i) {
        const SnmpInterface& line = state.interfaces.list.interfaces[i];
        char identity[router_text_size + phys_address_size];
        std::snprintf(identity, sizeof identity, "%s %s", state.asked_host, line.phys_address);
        if (is_counted_now(identity)) counted = i;
        char counters[48];
        if (line.counters_known)
            format_counters(counters, line.received, line.sent);
        else
            std::snprintf(counters, sizeof counters, "%s",
                          router_problem_words(RouterProblem::counter_missing));
        add_row(list, i, line.name[0] ? line.name : line.description, line.phys_address, counters);
    }
    focus_row(list, state.interfaces.list.count, counted);
}

// ---- The choice

RouterSource checked_source(HWND dialog) {
    if (is_checked(dialog, IDC_ROUTER_UPNP)) return RouterSource::upnp;
    if (is_checked(dialog, IDC_ROUTER_SNMP)) return RouterSource::snmp;
    return RouterSource::off;
}

// Only the chosen source's controls take input.
void enable_sources(HWND dialog) {
    const RouterSource source = checked_source(dialog);
    for (int id : {IDC_ROUTER_SEARCH, IDC_ROUTER_URL, IDC_ROUTER_READ, IDC_ROUTER_FOUND})
        EnableWindow(item(dialog, id), source == RouterSource::upnp);
    for (int id : {IDC_ROUTER_HOST, IDC_ROUTER_COMMUNITY, IDC_ROUTER_INTERFACES, IDC_ROUTER_INTERFACE_LIST})
        EnableWindow(item(dialog, id), source == RouterSource::snmp);
}

// The name is given once: the router counted now keeps its own when it is
// chosen again, so that the plan and the history go on pointing at it.
void name_choice(RouterChoice& next, const char* friendly_name) {
    if (next.name[0] && std::strcmp(next.identity, router_choice.identity) == 0) return;
    next.name[0] = '\0';
    name_router(next.name, next, friendly_name, usage_count);
}

bool take_found_router(RouterChoice& next, const FoundRouter& router) {
    if (!copy_whole(next.location, router.location) || !copy_whole(next.service_id, router.service_id) ||
        !copy_whole(next.identity, router.identity))
        return false;
    name_choice(next, router.friendly_name);
    return true;
}

bool take_interface(RouterChoice& next, const SnmpInterface& line) {
    char identity[router_text_size];
    if (static_cast<std::size_t>(std::snprintf(identity, sizeof identity, "%s %s", state.asked_host,
                                               line.phys_address)) >= sizeof identity ||
        !copy_whole(next.snmp_host, state.asked_host) ||
        !copy_whole(next.snmp_community, state.asked_community) || !copy_whole(next.identity, identity))
        return false;
    next.snmp_interface = line.index;
    name_choice(next, line.name[0] ? line.name : line.description);
    return true;
}

// The row picked in the chosen source's list; with none picked, the router
// that source had before, when it has one. What OK cannot take, in words;
// null when `next` is ready.
const char* choose(HWND dialog, RouterChoice& next) {
    if (next.source == RouterSource::upnp) {
        const int row = chosen_row(dialog, IDC_ROUTER_FOUND);
        if (row < 0 || row >= state.found.count)
            return next.location[0] ? nullptr : "Search, or read a description URL, then pick the router.";
        const FoundRouter& router = state.found.routers[row];
        if (router.problem != RouterProblem::none)
            return router.detail[0] ? router.detail : router_problem_words(router.problem);
        return take_found_router(next, router) ? nullptr : router_problem_words(RouterProblem::refused);
    }
    if (next.source == RouterSource::snmp) {
        const int row = chosen_row(dialog, IDC_ROUTER_INTERFACE_LIST);
        if (row < 0 || row >= state.interfaces.list.count)
            return next.snmp_host[0] && next.snmp_interface ? nullptr
                                                            : "Read the interfaces, then pick the WAN one.";
        const SnmpInterface& line = state.interfaces.list.interfaces[row];
        if (!line.counters_known) return router_problem_words(RouterProblem::counter_missing);
        return take_interface(next, line) ? nullptr : router_problem_words(RouterProblem::refused);
    }
    return nullptr;
}

// OK: the Main window keeps the choice and polls it (Off: the polls end).
void confirm(HWND dialog) {
    RouterChoice next = router_choice;
    next.source = checked_source(dialog);
    if (const char* refusal = choose(dialog, next)) {
        say(dialog, refusal);
        return;
    }
    router_choice = next;
    SendMessageA(main_window, router_chosen_message, 0, 0);
    EndDialog(dialog, IDOK);
}

// ---- The requests

void search(HWND dialog) {
    say(dialog, searching_text);
    router_requests.search();
}

void read_description(HWND dialog) {
    char url[router_text_size];
    read_text(dialog, IDC_ROUTER_URL, url);
    if (!url[0]) {
        SetFocus(item(dialog, IDC_ROUTER_URL));
        return;
    }
    say(dialog, reading_text);
    router_requests.read_at(url);
}

void read_interfaces(HWND dialog) {
    read_text(dialog, IDC_ROUTER_HOST, state.asked_host);
    read_text(dialog, IDC_ROUTER_COMMUNITY, state.asked_community);
    if (!state.asked_host[0]) {
        SetFocus(item(dialog, IDC_ROUTER_HOST));
        return;
    }
    say(dialog, reading_text);
    router_requests.interfaces(state.asked_host, state.asked_community);
}

// Enter in a box asks what the button beside it does.
void on_enter(HWND dialog) {
    const int focused = GetDlgCtrlID(GetFocus());
    if (focused == IDC_ROUTER_URL)
        read_description(dialog);
    else if (focused == IDC_ROUTER_HOST || focused == IDC_ROUTER_COMMUNITY)
        read_interfaces(dialog);
    else
        confirm(dialog);
}

// ---- Messages

INT_PTR on_initdialog(HWND dialog) {
    state = {};
    state.dialog = dialog;
    const int checked = router_choice.source == RouterSource::upnp   ? IDC_ROUTER_UPNP
                        : router_choice.source == RouterSource::snmp ? IDC_ROUTER_SNMP
                                                                     : IDC_ROUTER_OFF;
    CheckRadioButton(dialog, IDC_ROUTER_OFF, IDC_ROUTER_SNMP, checked);
    SendDlgItemMessageA(dialog, IDC_ROUTER_URL, EM_LIMITTEXT, router_text_size - 1, 0);
    SendDlgItemMessageA(dialog, IDC_ROUTER_HOST, EM_LIMITTEXT, router_text_size - 1, 0);
    SendDlgItemMessageA(dialog, IDC_ROUTER_COMMUNITY, EM_LIMITTEXT, router_community_size - 1, 0);
    set_text(dialog, IDC_ROUTER_URL, router_choice.location);
    set_text(dialog, IDC_ROUTER_HOST, router_choice.snmp_host);
    set_text(dialog, IDC_ROUTER_COMMUNITY,
             router_choice.snmp_community[0] ? router_choice.snmp_community : default_community);
    for (int id : {IDC_ROUTER_FOUND, IDC_ROUTER_INTERFACE_LIST}) {
        HWND list = item(dialog, id);
        ListView_SetExtendedListViewStyle(list, LVS_EX_FULLROWSELECT);
        add_column(list, 0, id == IDC_ROUTER_FOUND ? "Router" : "Interface");
        add_column(list, 1, id == IDC_ROUTER_FOUND ? "Address" : "Hardware address");
        add_column(list, 2, "Counters");
        size_columns(list);
    }
    enable_sources(dialog);
    if (router_choice.source != RouterSource::off && router_choice.name[0]) {
        char text[router_text_size + 16];
        std::snprintf(text, sizeof text, "Counted now: %s", router_choice.name);
        say(dialog, text);
    }
    return TRUE;
}

INT_PTR on_command(HWND dialog, int id) {
    switch (id) {
        case IDC_ROUTER_OFF:
        case IDC_ROUTER_UPNP:
        case IDC_ROUTER_SNMP:
            enable_sources(dialog);
            return TRUE;
        case IDC_ROUTER_SEARCH:
            search(dialog);
            return TRUE;
        case IDC_ROUTER_READ:
            read_description(dialog);
            return TRUE;
        case IDC_ROUTER_INTERFACES:
            read_interfaces(dialog);
            return TRUE;
        case IDOK:
            on_enter(dialog);
            return TRUE;
        case IDCANCEL:
            EndDialog(dialog, IDCANCEL);
            return TRUE;
        default:
            return FALSE;
    }
}

// A double click on a row picks it, as OK does.
INT_PTR on_notify(HWND dialog, const NMHDR& header) {
    if (header.code == NM_DBLCLK &&
        (header.idFrom == IDC_ROUTER_FOUND || header.idFrom == IDC_ROUTER_INTERFACE_LIST))
        confirm(dialog);
    return FALSE;
}

INT_PTR on_router_found(HWND dialog, RouterAnswer kind, LPARAM record) {
    RouterProblem problem;
    int count;
    if (kind == RouterAnswer::search) {
        state.found = *reinterpret_cast<const RouterSearch*>(record);
        show_found(dialog);
        problem = state.found.problem;
        count = state.found.count;
    } else {
        state.interfaces = *reinterpret_cast<const SnmpInterfaces*>(record);
        show_interfaces(dialog);
        problem = state.interfaces.problem;
        count = state.interfaces.list.count;
    }
    char text[96];
    if (problem != RouterProblem::none)
        std::snprintf(text, sizeof text, "%s", router_problem_words(problem));
    else
        std::snprintf(text, sizeof text, "%d found: pick the %s whose counters move.", count,
                      kind == RouterAnswer::search ? "router" : "WAN interface");
    say(dialog, text);
    return TRUE;
}

}  // namespace

INT_PTR open_router_dialog(HWND owner) {
    ModalWindowScope modal;
    return DialogBoxParamA(instance, MAKEINTRESOURCEA(IDD_ROUTER), owner, router_dialog_proc, 0);
}

void take_router_answer(WPARAM kind, LPARAM record) {
    const auto answer = static_cast<RouterAnswer>(kind);
    if (state.dialog && (answer == RouterAnswer::search || answer == RouterAnswer::interfaces))
        SendMessageA(state.dialog, router_found_message, kind, record);
    if (answer == RouterAnswer::search)
        delete reinterpret_cast<RouterSearch*>(record);
    else if (answer == RouterAnswer::interfaces)
        delete reinterpret_cast<SnmpInterfaces*>(record);
}

INT_PTR CALLBACK router_dialog_proc(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam) {
    switch (message) {
        case WM_INITDIALOG:
            return on_initdialog(dialog);
        case WM_COMMAND:
            return on_command(dialog, LOWORD(wparam));
        case WM_NOTIFY:
            return on_notify(dialog, *reinterpret_cast<const NMHDR*>(lparam));
        case WM_SIZE:
            // A change of DPI resizes the dialog: the columns follow.
            for (int id : {IDC_ROUTER_FOUND, IDC_ROUTER_INTERFACE_LIST}) size_columns(item(dialog, id));
            return FALSE;
        case router_found_message:
            return on_router_found(dialog, static_cast<RouterAnswer>(wparam), lparam);
        case WM_DESTROY:
            state.dialog = nullptr;
            return FALSE;
        default:
            return FALSE;
    }
}
