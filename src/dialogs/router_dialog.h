// The Router dialog (dialog 105), opened from the Usage window: the household's
// router read over UPnP or SNMP, or Off. It asks the router's threads to
// search, to read a typed description URL or an agent's interface table, and
// lists what they answer. OK makes the choice the user's and has the Main
// window keep and poll it; Cancel changes nothing.
#pragma once

#include <windows.h>

// What the dialog asks of the router's threads, which tests replace: nothing
// of theirs may reach a network.
struct RouterRequests {
    void (*search)();
    void (*read_at)(const char* url);
    void (*interfaces)(const char* host, const char* community);
};
extern RouterRequests router_requests;

INT_PTR CALLBACK router_dialog_proc(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam);

// Opens it over `owner`; IDOK when a choice was made.
INT_PTR open_router_dialog(HWND owner);

// A search's or an interface table's answer (router_answer_message's wParam
// and lParam): the open dialog lists it; with none open it is dropped. The
// record is deleted either way.
void take_router_answer(WPARAM kind, LPARAM record);
