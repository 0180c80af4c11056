// Finding routers: an SSDP search on the PC's own IPv4 networks, or a
// description URL typed by the user, each router listed with its counters
// read once, so that the user sees that it answers and which link moves.
#pragma once

#include <windows.h>

#include <cstdint>

#include "monitor/router_reading.h"
#include "monitor/router_url.h"
#include "monitor/ssdp_message.h"

constexpr int found_routers_max = 8;
// Windows Firewall lets unicast answers to a multicast in for 3 s; with MX 2
// every device has answered by then.
constexpr std::int64_t ssdp_listen_ns = 3'000'000'000;

struct FoundRouter {
    char location[router_text_size];
    char identity[router_text_size];  // "<UDN> <serviceId>", as RouterChoice keeps it
    char service_id[router_text_size];
    char friendly_name[router_text_size];
    char address[16];       // the host that answered, "10.0.0.1"
    RouterProblem problem;  // reading its counters once; none when they came
    char detail[128];       // a SOAP fault's words ("UPnP error 401: Invalid Action"), or empty
    std::uint64_t received;
    std::uint64_t sent;
};

struct RouterSearch {
    RouterProblem problem;  // none when at least one router is listed
    int count;
    FoundRouter routers[found_routers_max];
};

// The PC's IPv4 addresses that are up, with their prefixes, the loopback
// left out; how many. Tests put a reader of their own in its place.
constexpr int own_subnets_max = 16;
using OwnSubnetsReader = int (*)(Ipv4Subnet (&subnets)[own_subnets_max]);
extern OwnSubnetsReader read_own_subnets;

// Where the search goes: the SSDP group. Tests send it to a peer of theirs.
struct SsdpDestination {
    std::uint32_t address;
    std::uint16_t port;
};
extern SsdpDestination ssdp_destination;

// Searches every own network (sent twice, answers taken for ssdp_listen_ns);
// the description URLs that may be followed, at most `size`.
int find_router_locations(RouterUrl* locations, int size, HANDLE stop);

// The search, each description read and each router's counters once.
void search_routers(RouterSearch* search, HANDLE stop);

// The same for one description URL the user typed.
void read_router_at(const char* url, RouterSearch* search, HANDLE stop);
