// One SNMPv2c exchange with an agent over UDP: the request sent again a few
// times within a deadline, and only the answer of that agent to that request
// taken.
#pragma once

#include <windows.h>

#include <cstdint>

#include "monitor/snmp_ber.h"

constexpr std::uint16_t snmp_port = 161;
// An agent on the LAN answers within milliseconds; a lost datagram is sent
// again after a second, three times in all.
constexpr std::int64_t snmp_budget_ns = 3'000'000'000;

struct SnmpAgent {
    std::uint32_t address;  // IPv4, its first byte highest
    std::uint16_t port;
    const char* community;
};

enum class SnmpResult {
    answered,  // `response` holds the agent's answer, the same names in the same order
    silent,    // no answer from the agent to this request: a wrong community is dropped silently
    refused,   // the agent answered with an error-status
    stopped,   // the stop event was set
};

// Ends within snmp_budget_ns, or at once when `stop` (may be null) is set.
SnmpResult snmp_exchange(const SnmpAgent& agent, SnmpRequest kind, const SnmpOid* names, int count,
                         SnmpResponse* response, HANDLE stop);
