// A router's WAN interface over SNMP: its interface table for the choice, and
// one poll's counters, the interface found again by its hardware address
// since its ifIndex may change when the router restarts.
#pragma once

#include <windows.h>

#include <cstdint>

#include "monitor/router_reading.h"
#include "monitor/snmp_client.h"

constexpr std::size_t phys_address_size = 24;  // up to 8 bytes as "xx:xx:..."
constexpr std::size_t interface_text_size = 256;
constexpr int snmp_interfaces_max = 32;

struct SnmpInterface {
    std::int32_t index;                     // ifIndex
    char description[interface_text_size];  // ifDescr
    char name[interface_text_size];         // ifName; empty where the agent has none
    char phys_address[phys_address_size];   // ifPhysAddress, "02:00:00:77:00:01"
    bool wide_counters;                     // ifHCInOctets/ifHCOutOctets rather than the 32-bit ones
    bool counters_known;
    std::uint64_t received;
    std::uint64_t sent;
    std::uint64_t speed_bps;  // 0 when not told
};

struct SnmpInterfaceList {
    int count;
    SnmpInterface interfaces[snmp_interfaces_max];
};

// The agent's interface table, walked with GETNEXT, each row read once.
RouterProblem walk_snmp_interfaces(const SnmpAgent& agent, SnmpInterfaceList* list, HANDLE stop);

// One poll of the interface `*index`, whose ifPhysAddress must be
// `phys_address` (empty: whatever it is, taken as the choice's) and whose
// ifName `name` (empty: not known yet). When the index now names another
// interface, the one with that address (and that name, where several share
// it) is looked for and `*index` follows it. `host` spells the agent in the
// reading's identity; the reading's friendly name is the ifName.
RouterProblem read_snmp_counters(const SnmpAgent& agent, const char* host, const char* phys_address,
                                 const char* name, std::int32_t* index, RouterReading* reading, HANDLE stop);
