// The household's router on the window's thread: its polls started from the
// settings, each poll's reading counted, and what it teaches kept.
#pragma once

#include <windows.h>

#include "monitor/router_reading.h"

// The router's thread as the Main window drives it, which tests replace:
// nothing in them may reach a network.
struct RouterPolls {
    void (*poll)(const RouterChoice& choice);
    void (*check_identity)();
};
extern RouterPolls router_polls;

// At start, once the settings are read: the chosen router is polled from now
// on, its first poll at once. Off sends nothing.
void start_router_polls(HWND window);

// router_answer_message: takes the record the router's thread made and
// deletes it. A search's or an interface table's answer goes to the Router
// dialog. A reading is counted; a router chosen by its address alone has
// its identity and name kept in the settings at once, and one found again at
// another address or interface is followed there.
LRESULT on_router_answer(WPARAM kind, LPARAM record);

// router_chosen_message.
LRESULT on_router_chosen();
