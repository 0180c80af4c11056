// The household router's thread: it polls the chosen router every 10 s and
// serves the Router dialog's requests, each on a thread of its own, so that
// the window's thread never waits on the network. Every result is posted to
// the window as one message; nothing goes on the network while the choice
// is off and no request is made.
#pragma once

#include <windows.h>

#include <cstdint>

#include "monitor/router_reading.h"
#include "monitor/router_search.h"
#include "monitor/snmp_router.h"

constexpr std::int64_t router_poll_period_ns = 10'000'000'000;
// A router that stopped answering at its address is looked for by its UDN
// at most this often.
constexpr std::int64_t router_search_period_ns = 60'000'000'000;
// Exit's share of its few seconds for the router's threads: each wait of
// theirs ends at once when they are told to stop.
constexpr std::int64_t router_stop_budget_ns = 500'000'000;

// What a posted message carries: its wParam names the record that its lParam
// points to, made with new; the receiver owns it and deletes it.
enum class RouterAnswer : WPARAM {
    reading,     // RouterReading: one poll of the chosen router
    search,      // RouterSearch: a search or a typed description URL
    interfaces,  // SnmpInterfaces: an SNMP agent's interface table
};

struct SnmpInterfaces {
    RouterProblem problem;
    SnmpInterfaceList list;
};

// Where the results go; until it is called, nothing is polled or served.
void set_router_window(HWND window, UINT message);

// Polls `choice` from now on: the first poll at once, the next ones every
// router_poll_period_ns, whether a poll failed or not. Off ends the polls.
// A choice whose identity is empty takes the first answer's: the readings
// say it, for the settings to keep.
void poll_router(const RouterChoice& choice);

// Polls at once, checking first that the router is the chosen one: the
// counting side asks when a reading grew by more than the link could carry.
void check_router_identity();

// The Router dialog's requests; a newer one takes the place of one still
// waiting. Each is answered by one message.
void request_router_search();
void request_router_at(const char* url);
void request_snmp_interfaces(const char* host, const char* community);

// Ends both threads, what they wait on closed at once; false when one had
// not ended by `deadline_ns` (monotonic clock), as the process may then end
// under it. Results still in the window's queue are the receiver's.
bool stop_router_poll(std::int64_t deadline_ns);
