// Winsock 2 first: the headers after it bring the rest of Windows'.
#include <winsock2.h>

#include "monitor/router_poll.h"

#include <process.h>

#include <cstdio>
#include <cstring>
#include <ctime>
#include <memory>
#include <mutex>
#include <utility>

#include "monitor/clock.h"
#include "monitor/upnp_router.h"

namespace {

enum class Request { none, search, read_url, interfaces };

// What the window's thread and the router's two threads share; `lock` guards
// all but the handles, which only start and stop change.
struct Shared {
    std::mutex lock;
    HWND window;
    UINT message;
    RouterChoice choice;
    bool choice_changed;
    bool identity_asked;
    Request request;
    char request_text[router_text_size];
    char request_community[router_community_size];
    bool stopping;        // a stop that timed out: no thread starts again
    HANDLE stop;          // manual-reset: every wait of both threads ends
    HANDLE poll_wake;     // auto-reset: the choice changed or a check was asked
    HANDLE request_wake;  // auto-reset: a request waits
    HANDLE threads[2];
};

Shared shared;

bool stopped() {
    return WaitForSingleObject(shared.stop, 0) == WAIT_OBJECT_0;
}

DWORD milliseconds_until(std::int64_t deadline_ns) {
    const std::int64_t left_ns = deadline_ns - monotonic_ns();
    return left_ns <= 0 ? 0 : static_cast<DWORD>((left_ns + 999'999) / 1'000'000);
}

template <typename Record>
void post(RouterAnswer kind, std::unique_ptr<Record> record) {
    HWND window;
    UINT message;
    {
        std::lock_guard<std::mutex> hold(shared.lock);
        window = shared.window;
        message = shared.message;
    }
    if (window &&
        PostMessageW(window, message, static_cast<WPARAM>(kind), reinterpret_cast<LPARAM>(record.get())))
        record.release();
}

// ---- The polls

// What the poll thread knows of the chosen router between polls.
struct Poll {
    RouterChoice choice;
    bool identity_due;  // at the start, after a silence, after the PC's addresses changed, when asked
    bool known;         // UPnP: `upnp` is the chosen service, its control points resolved
    UpnpRouter upnp;
    bool wide_seen;  // a UPnP total past 2^32 - 1 came: the router's are 64-bit
    std::int32_t snmp_index;
    char snmp_name[interface_text_size];  // the WAN interface's ifName, once read
    Ipv4Subnet own[own_subnets_max];
    int own_count;
    std::int64_t searched_ns;
    bool searched;
};

// The UDN: the identity's first word.
bool same_device(const char* identity, const char* other) {
    const std::size_t length = std::strcspn(identity, " ");
    return length > 0 && std::strncmp(identity, other, length) == 0 &&
           (other[length] == ' ' || !other[length]);
}

// Reads the description at `location` and takes the chosen service from it.
RouterProblem find_chosen(Poll& p, const RouterUrl& location, RouterReading* reading, HANDLE stop) {
    UpnpRouter routers[upnp_services_max];
    int count = 0;
    const RouterProblem problem = read_upnp_routers(location, routers, &count, stop);
    if (problem != RouterProblem::none) return problem;
    const char* identity = p.choice.identity;
    for (int i = 0; i < count; ++i) {
        const char* service_id = std::strchr(routers[i].identity, ' ') + 1;
        const bool chosen =
            identity[0] ? std::strcmp(routers[i].identity, identity) == 0
                        : !p.choice.service_id[0] || std::strcmp(service_id, p.choice.service_id) == 0;
        if (!chosen) continue;
        p.upnp = routers[i];
        p.known = true;
        p.identity_due = false;
        reading->identity_checked = true;
        // Given only by its address: the first answer names it from now on.
        if (!identity[0]) std::memcpy(p.choice.identity, routers[i].identity, sizeof p.choice.identity);
        return RouterProblem::none;
    }
    std::memcpy(reading->identity, routers[0].identity, sizeof reading->identity);
    std::memcpy(reading->friendly_name, routers[0].friendly_name, sizeof reading->friendly_name);
    return RouterProblem::other_router;
}

// The chosen router, silent at its address, looked for by its UDN on the
// PC's own networks.
RouterProblem search_by_udn(Poll& p, RouterReading* reading, HANDLE stop) {
    const std::int64_t now_ns = monotonic_ns();
    if (!p.choice.identity[0] || (p.searched && now_ns - p.searched_ns < router_search_period_ns))
        return RouterProblem::address_silent;
    p.searched = true;
    p.searched_ns = now_ns;
    RouterUrl locations[found_routers_max];
    const int count = find_router_locations(locations, found_routers_max, stop);
    for (int i = 0; i < count; ++i) {
        UpnpRouter routers[upnp_services_max];
        int found = 0;
        read_upnp_routers(locations[i], routers, &found, stop);
        for (int j = 0; j < found; ++j) {
            if (!same_device(p.choice.identity, routers[j].identity)) continue;
            format_router_url(locations[i], p.choice.location);
            return find_chosen(p, locations[i], reading, stop);
        }
    }
    return RouterProblem::address_silent;
}

RouterProblem poll_upnp(Poll& p, RouterReading* reading, HANDLE stop) {
    if (!p.known || p.identity_due) {
        RouterUrl location;
        if (!parse_router_url(p.choice.location, &location)) return RouterProblem::refused;
        RouterProblem problem = find_chosen(p, location, reading, stop);
        if (problem == RouterProblem::address_silent) problem = search_by_udn(p, reading, stop);
        if (problem != RouterProblem::none) return problem;
    }
    char fault[128];
    const RouterProblem problem = read_upnp_counters(p.upnp, reading, fault, stop);
    std::memcpy(reading->identity, p.upnp.identity, sizeof reading->identity);
    std::memcpy(reading->friendly_name, p.upnp.friendly_name, sizeof reading->friendly_name);
    format_router_url(p.upnp.location, reading->location);
    if (problem != RouterProblem::none) return problem;
    p.wide_seen = p.wide_seen || reading->wide_counters;
    reading->wide_counters = p.wide_seen;
    return RouterProblem::none;
}

RouterProblem poll_snmp(Poll& p, RouterReading* reading, HANDLE stop) {
    std::uint32_t address;
    if (!parse_ipv4(p.choice.snmp_host, std::strlen(p.choice.snmp_host), &address))
        return RouterProblem::refused;
    const SnmpAgent agent{address, snmp_port, p.choice.snmp_community};
    const char* space = std::strchr(p.choice.identity, ' ');
    const RouterProblem problem = read_snmp_counters(agent, p.choice.snmp_host, space ? space + 1 : "",
                                                     p.snmp_name, &p.snmp_index, reading, stop);
    reading->snmp_interface = p.snmp_index;
    std::snprintf(reading->location, sizeof reading->location, "%s", p.choice.snmp_host);
    if (problem != RouterProblem::none) return problem;
    if (!p.choice.identity[0]) std::memcpy(p.choice.identity, reading->identity, sizeof p.choice.identity);
    std::snprintf(p.snmp_name, sizeof p.snmp_name, "%s", reading->friendly_name);
    return problem;
}

std::unique_ptr<RouterReading> poll_once(Poll& p, HANDLE stop) {
    auto reading = std::make_unique<RouterReading>();
    Ipv4Subnet own[own_subnets_max] = {};
    const int own_count = read_own_subnets(own);
    if (own_count != p.own_count || std::memcmp(own, p.own, sizeof own) != 0) {
        p.identity_due = true;
        std::memcpy(p.own, own, sizeof own);
        p.own_count = own_count;
    }
    reading->problem = p.choice.source == RouterSource::upnp ? poll_upnp(p, reading.get(), stop)
                                                             : poll_snmp(p, reading.get(), stop);
    if (reading->problem != RouterProblem::none) p.identity_due = true;
    reading->taken_ns = monotonic_ns();
    reading->taken_wall_s = static_cast<std::int64_t>(std::time(nullptr));
    return reading;
}

unsigned __stdcall poll_thread(void*) {
    WSADATA winsock;
    const bool started = WSAStartup(MAKEWORD(2, 2), &winsock) == 0;
    auto p = std::make_unique<Poll>();
    bool polling = false;
    std::int64_t next_ns = 0;
    const HANDLE events[2] = {shared.stop, shared.poll_wake};
    for (;;) {
        const DWORD wait = polling ? milliseconds_until(next_ns) : INFINITE;
        if (WaitForMultipleObjects(2, events, FALSE, wait) == WAIT_OBJECT_0) break;
        {
            std::lock_guard<std::mutex> hold(shared.lock);
            if (shared.choice_changed) {
                *p = Poll{};
                p->choice = shared.choice;
                p->identity_due = true;
                p->snmp_index = shared.choice.snmp_interface;
                p->own_count = -1;
                polling = shared.choice.source != RouterSource::off;
                next_ns = monotonic_ns();
                shared.choice_changed = false;
            }
            if (shared.identity_asked) {
                p->identity_due = true;
                next_ns = monotonic_ns();
                shared.identity_asked = false;
            }
        }
        if (!polling || monotonic_ns() < next_ns) continue;
        // The period runs from each poll's start, so a failed poll never puts the next one off.
        next_ns = monotonic_ns() + router_poll_period_ns;
        std::unique_ptr<RouterReading> reading = poll_once(*p, shared.stop);
        if (stopped()) break;
        bool current;
        {
            std::lock_guard<std::mutex> hold(shared.lock);
            current = !shared.choice_changed;
        }
        if (current) post(RouterAnswer::reading, std::move(reading));
    }
    if (started) WSACleanup();
    return 0;
}

// ---- The dialog's requests

unsigned __stdcall request_thread(void*) {
    WSADATA winsock;
    const bool started = WSAStartup(MAKEWORD(2, 2), &winsock) == 0;
    const HANDLE events[2] = {shared.stop, shared.request_wake};
    while (WaitForMultipleObjects(2, events, FALSE, INFINITE) == WAIT_OBJECT_0 + 1) {
        Request request;
        char text[router_text_size];
        char community[router_community_size];
        {
            std::lock_guard<std::mutex> hold(shared.lock);
            request = std::exchange(shared.request, Request::none);
            std::memcpy(text, shared.request_text, sizeof text);
            std::memcpy(community, shared.request_community, sizeof community);
        }
        if (request == Request::search || request == Request::read_url) {
            auto search = std::make_unique<RouterSearch>();
            if (request == Request::search)
                search_routers(search.get(), shared.stop);
            else
                read_router_at(text, search.get(), shared.stop);
            if (!stopped()) post(RouterAnswer::search, std::move(search));
        } else if (request == Request::interfaces) {
            auto interfaces = std::make_unique<SnmpInterfaces>();
            std::uint32_t address;
            interfaces->problem = RouterProblem::refused;
            if (parse_ipv4(text, std::strlen(text), &address))
                interfaces->problem = walk_snmp_interfaces(SnmpAgent{address, snmp_port, community},
                                                           &interfaces->list, shared.stop);
            if (!stopped()) post(RouterAnswer::interfaces, std::move(interfaces));
        }
    }
    if (started) WSACleanup();
    return 0;
}

// Under the lock: both threads run, or false when they cannot.
bool start_threads() {
    if (shared.stop) return true;
    if (shared.stopping) return false;
    shared.stop = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    shared.poll_wake = CreateEventW(nullptr, FALSE, FALSE, nullptr);
    shared.request_wake = CreateEventW(nullptr, FALSE, FALSE, nullptr);
    unsigned(__stdcall* const bodies[2])(void*) = {poll_thread, request_thread};
    for (int i = 0; i < 2; ++i) {
        shared.threads[i] =
            reinterpret_cast<HANDLE>(_beginthreadex(nullptr, 0, bodies[i], nullptr, 0, nullptr));
    }
    return true;
}

void close_handles() {
    for (HANDLE* handle :
         {&shared.stop, &shared.poll_wake, &shared.request_wake, &shared.threads[0], &shared.threads[1]}) {
        if (*handle) CloseHandle(*handle);
        *handle = nullptr;
    }
}

void ask_for(Request request, const char* text, const char* community) {
    std::lock_guard<std::mutex> hold(shared.lock);
    if (!start_threads()) return;
    shared.request = request;
    std::snprintf(shared.request_text, sizeof shared.request_text, "%s", text);
    std::snprintf(shared.request_community, sizeof shared.request_community, "%s", community);
    SetEvent(shared.request_wake);
}

}  // namespace

void set_router_window(HWND window, UINT message) {
    std::lock_guard<std::mutex> hold(shared.lock);
    shared.window = window;
    shared.message = message;
}

void poll_router(const RouterChoice& choice) {
    std::lock_guard<std::mutex> hold(shared.lock);
    // Off with no thread yet: nothing to end, and nothing is started for it.
    if (choice.source == RouterSource::off && !shared.stop) return;
    if (!start_threads()) return;
    shared.choice = choice;
    shared.choice_changed = true;
    SetEvent(shared.poll_wake);
}

void check_router_identity() {
    std::lock_guard<std::mutex> hold(shared.lock);
    if (!shared.stop) return;
    shared.identity_asked = true;
    SetEvent(shared.poll_wake);
}

void request_router_search() {
    ask_for(Request::search, "", "");
}

void request_router_at(const char* url) {
    ask_for(Request::read_url, url, "");
}

void request_snmp_interfaces(const char* host, const char* community) {
    ask_for(Request::interfaces, host, community);
}

bool stop_router_poll(std::int64_t deadline_ns) {
    HANDLE threads[2];
    int count = 0;
    {
        std::lock_guard<std::mutex> hold(shared.lock);
        if (!shared.stop) return true;
        SetEvent(shared.stop);
        for (HANDLE thread : shared.threads) {
            if (thread) threads[count++] = thread;
        }
    }
    if (count && WaitForMultipleObjects(static_cast<DWORD>(count), threads, TRUE,
                                        milliseconds_until(deadline_ns)) == WAIT_TIMEOUT) {
        std::lock_guard<std::mutex> hold(shared.lock);
        shared.stopping = true;  // they still use the events: left to the process's end
        return false;
    }
    std::lock_guard<std::mutex> hold(shared.lock);
    close_handles();
    shared.choice = RouterChoice{};
    shared.choice_changed = false;
    shared.identity_asked = false;
    shared.request = Request::none;
    return true;
}
