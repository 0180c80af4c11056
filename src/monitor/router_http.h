// One HTTP exchange with a router, bounded in time and in size: no proxy (a
// router is on the LAN) and no redirect (a description names its own host).
#pragma once

#include <windows.h>

#include <cstddef>
#include <cstdint>

#include "monitor/router_url.h"

// WinHTTP's own time-outs are per phase; this bounds the whole exchange.
constexpr std::int64_t router_request_budget_ns = 3'000'000'000;

enum class HttpResult {
    answered,   // `status` and the body came
    silent,     // nothing, or not all of it, came in time
    too_large,  // the body is longer than `answer_capacity`: reading stopped
    stopped,    // the stop event was set
};

struct HttpExchange {
    const RouterUrl* url;
    // A SOAP action ("<service type>#<action>") and its envelope; null for a GET.
    const char* soap_action;
    const char* body;
    char* answer;
    std::size_t answer_capacity;
    std::size_t answer_size;  // set: how much of `answer` came
    int status;               // set: the HTTP status
};

// Ends within router_request_budget_ns, at once when `stop` (may be null) is
// set, and closes whatever it opened.
HttpResult http_exchange(HttpExchange* exchange, HANDLE stop);
