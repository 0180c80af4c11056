// The search for a router on the PC's own networks: the request multicast on
// each of them, and what an answer may say. Any device on a LAN can answer,
// so an answer is read with care and followed only to the address it came from.
#pragma once

#include <cstddef>
#include <cstdint>

#include "monitor/router_reading.h"
#include "monitor/router_url.h"

constexpr char igd_device_type[] = "urn:schemas-upnp-org:device:InternetGatewayDevice:1";
constexpr char ssdp_group[] = "239.255.255.250";
constexpr std::uint16_t ssdp_port = 1900;
// A longer datagram is no answer of a router.
constexpr std::size_t ssdp_answer_size_max = 2048;

// The M-SEARCH request for an Internet gateway device; its length, or 0 when
// `size` is too small.
std::size_t format_ssdp_search(char* request, std::size_t size);

struct SsdpAnswer {
    char location[router_text_size];       // LOCATION: the device description's URL
    char search_target[router_text_size];  // ST
    char unique_name[router_text_size];    // USN
};

// An answer: "HTTP/1.1 200" and header lines, their names in any case. Refused:
// a longer answer, control characters, a header folded onto the next line,
// LOCATION, ST or USN given twice or too long for their fields, no LOCATION.
bool parse_ssdp_answer(const char* bytes, std::size_t size, SsdpAnswer* answer);

// One of the PC's IPv4 addresses and its prefix length.
struct Ipv4Subnet {
    std::uint32_t address;
    int prefix_length;
};

// Whether a LOCATION that `answered_from` sent may be read: an http URL whose
// host is that very address, on one of `own` subnets.
bool may_follow_location(const char* location, std::uint32_t answered_from, const Ipv4Subnet* own,
                         int own_count, RouterUrl* url);
