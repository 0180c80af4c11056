// The household's router: the one the user chose, and what one poll of its
// byte counters tells. The polls (the network) are the Windows half's work;
// what a reading counts is portable.
#pragma once

#include <cstddef>
#include <cstdint>

enum class RouterSource { off, upnp, snmp };

// URLs, identities and names; a longer one is refused, never cut.
constexpr std::size_t router_text_size = 256;
constexpr std::size_t router_community_size = 64;

// The router as the Router dialog chose it and settings.cfg keeps it.
struct RouterChoice {
    RouterSource source;
    // UPnP: the device description's URL, and the WANCommonInterfaceConfig
    // service chosen in it (its serviceId: a router with two WAN links has two).
    char location[router_text_size];
    char service_id[router_text_size];
    // SNMP: the agent's IPv4 address, its community, and the WAN interface's
    // ifIndex when it was chosen (it may change when the router restarts).
    char snmp_host[router_text_size];
    char snmp_community[router_community_size];
    std::int32_t snmp_interface;
    // Who was chosen, stored whole: the UDN and the serviceId ("uuid:... urn:..."),
    // or the host and the interface's ifPhysAddress ("10.0.0.1 02:00:00:77:00:01").
    // Empty until the first answer of a router given only by its address.
    char identity[router_text_size];
    // "Router: <friendly name>" (SNMP: "Router: <host> <interface>"), given
    // once, when chosen: the name its traffic is counted and planned under.
    char name[router_text_size];
};

// What went wrong, in the words the Router dialog says it in.
enum class RouterProblem {
    none,
    nothing_answered,   // a search: no router answered
    no_counters,        // the device offers no WANCommonInterfaceConfig service, or no interfaces
    address_silent,     // the address did not answer
    community_refused,  // SNMP: no answer with this community, or SNMP is off
    counter_missing,    // an answer without one of the counters
    other_router,       // another router answered at the chosen one's address
    refused,            // an answer the program does not take (too large, not http, a SOAP fault)
};

// One poll of the chosen router, handed from the router's thread to the
// window's.
struct RouterReading {
    RouterProblem problem;
    std::int64_t taken_ns;      // monotonic clock, when the answer came
    std::int64_t taken_wall_s;  // wall clock (UTC), for a base kept by an earlier run
    char identity[router_text_size];  // of the router that answered, as RouterChoice spells it
    char friendly_name[router_text_size];
    std::uint64_t received;  // the WAN link's bytes in, from the Internet
    std::uint64_t sent;
    // 64-bit counters: SNMP's ifHCInOctets/ifHCOutOctets, or a UPnP router
    // that has reported more than 2^32 - 1. Otherwise they wrap at 2^32.
    bool wide_counters;
    // The router's or the connection's time since its start, in hundredths
    // of a second: SNMP's sysUpTime, UPnP's NewUptime (GetStatusInfo).
    bool uptime_known;
    std::uint64_t uptime_cs;
    // SNMP's ifCounterDiscontinuityTime: a change means the counters restarted.
    bool discontinuity_known;
    std::uint64_t discontinuity_cs;
    // What the WAN link carries at most, bits a second; 0 when not told.
    std::uint64_t link_down_bps;
    std::uint64_t link_up_bps;
    // The identity was checked against the chosen router's at this poll.
    bool identity_checked;
    // Where the router was read, for settings to follow it: UPnP's description
    // URL (new when the router, silent at its address, was found again by its
    // UDN), SNMP's ifIndex of the WAN interface (new when the interface was
    // found again by its ifPhysAddress after the router's restart).
    char location[router_text_size];
    std::int32_t snmp_interface;
};
