// Where a router's description and control points are: http URLs of an IPv4
// address or a host name, nothing else, and each control point on the host
// and port that served the description.
#pragma once

#include <cstddef>
#include <cstdint>

#include "monitor/router_reading.h"

constexpr std::size_t url_host_size = 254;  // a host name's 253 characters

struct RouterUrl {
    char host[url_host_size];
    std::uint32_t address;  // an IPv4 host's, its first byte highest; 0 for a name
    std::uint16_t port;
    char path[router_text_size];  // from its "/", with the query, without a fragment
};

// Four decimal bytes with dots ("10.0.0.1"); no leading zeros, as some read
// them as octal.
bool parse_ipv4(const char* text, std::size_t length, std::uint32_t* address);

// "http://<IPv4 or host name>[:port][/path]"; anything else (another scheme,
// a user name, an IPv6 literal, blanks or control characters) is refused.
bool parse_router_url(const char* text, RouterUrl* url);

// "http://host[:port]/path", the port left out when it is 80; false when it
// does not fit.
bool format_router_url(const RouterUrl& url, char (&text)[router_text_size]);

// A description's controlURL, relative to its URLBase (empty: to the
// description's own URL), always on the description's host and port: an
// absolute one naming another host or port keeps only its path, so that
// nothing a description says sends a request anywhere else.
bool resolve_control_url(const RouterUrl& location, const char* url_base, const char* reference,
                         RouterUrl* resolved);
