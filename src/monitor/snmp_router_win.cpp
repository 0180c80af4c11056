#include "monitor/snmp_router.h"

#include <cstdio>
#include <cstring>
#include <memory>

namespace {

// IF-MIB's columns and SNMPv2-MIB's sysUpTime.
const SnmpOid if_descr = {{1, 3, 6, 1, 2, 1, 2, 2, 1, 2}, 10};
const SnmpOid if_speed = {{1, 3, 6, 1, 2, 1, 2, 2, 1, 5}, 10};
const SnmpOid if_phys_address = {{1, 3, 6, 1, 2, 1, 2, 2, 1, 6}, 10};
const SnmpOid if_in_octets = {{1, 3, 6, 1, 2, 1, 2, 2, 1, 10}, 10};
const SnmpOid if_out_octets = {{1, 3, 6, 1, 2, 1, 2, 2, 1, 16}, 10};
const SnmpOid if_name = {{1, 3, 6, 1, 2, 1, 31, 1, 1, 1, 1}, 11};
const SnmpOid if_hc_in_octets = {{1, 3, 6, 1, 2, 1, 31, 1, 1, 1, 6}, 11};
const SnmpOid if_hc_out_octets = {{1, 3, 6, 1, 2, 1, 31, 1, 1, 1, 10}, 11};
const SnmpOid if_high_speed = {{1, 3, 6, 1, 2, 1, 31, 1, 1, 1, 15}, 11};
const SnmpOid if_counter_discontinuity_time = {{1, 3, 6, 1, 2, 1, 31, 1, 1, 1, 19}, 11};
const SnmpOid sys_up_time = {{1, 3, 6, 1, 2, 1, 1, 3, 0}, 9};

// Past this many rows an interface table is no router's.
constexpr int walk_steps_max = 256;

SnmpOid row(const SnmpOid& column, std::int32_t index) {
    SnmpOid oid = column;
    oid.parts[oid.length++] = static_cast<std::uint32_t>(index);
    return oid;
}

RouterProblem problem_of(SnmpResult result) {
    switch (result) {
        case SnmpResult::answered:
            return RouterProblem::none;
        case SnmpResult::refused:
            return RouterProblem::refused;
        case SnmpResult::silent:
        case SnmpResult::stopped:
            break;
    }
    return RouterProblem::community_refused;
}

bool is_counter(const SnmpValue& value, SnmpType type) {
    return value.type == type;
}

void text_of(const SnmpValue& value, char (&text)[interface_text_size]) {
    text[0] = 0;
    if (value.type != SnmpType::octets) return;
    std::size_t length = value.octet_count < sizeof text - 1 ? value.octet_count : sizeof text - 1;
    for (std::size_t i = 0; i < length; ++i) {
        const char c = static_cast<char>(value.octets[i]);
        text[i] = c >= ' ' && c != 0x7F ? c : '?';
    }
    text[length] = 0;
}

void phys_of(const SnmpValue& value, char (&text)[phys_address_size]) {
    text[0] = 0;
    if (value.type != SnmpType::octets || value.octet_count * 3 > sizeof text) return;
    std::size_t at = 0;
    for (std::size_t i = 0; i < value.octet_count; ++i)
        at += static_cast<std::size_t>(
            std::snprintf(text + at, sizeof text - at, i ? ":%02x" : "%02x", value.octets[i]));
}

std::uint64_t speed_of(const SnmpValue& high_speed, const SnmpValue& speed) {
    if (high_speed.type == SnmpType::gauge32 && high_speed.number > 0) return high_speed.number * 1'000'000;
    return speed.type == SnmpType::gauge32 ? speed.number : 0;
}

// The row's counters: the 64-bit ones, or the 32-bit ones where the agent has
// no others. False when neither pair is there.
bool counters_of(const SnmpValue& hc_in, const SnmpValue& hc_out, const SnmpValue& in, const SnmpValue& out,
                 bool* wide, std::uint64_t* received, std::uint64_t* sent) {
    if (is_counter(hc_in, SnmpType::counter64) && is_counter(hc_out, SnmpType::counter64)) {
        *wide = true;
        *received = hc_in.number;
        *sent = hc_out.number;
        return true;
    }
    if (is_counter(in, SnmpType::counter32) && is_counter(out, SnmpType::counter32)) {
        *wide = false;
        *received = in.number;
        *sent = out.number;
        return true;
    }
    return false;
}

RouterProblem read_row(const SnmpAgent& agent, std::int32_t index, SnmpInterface* row_read,
                       SnmpResponse* response, HANDLE stop) {
    const SnmpOid names[] = {row(if_name, index),         row(if_phys_address, index),
                             row(if_hc_in_octets, index), row(if_hc_out_octets, index),
                             row(if_in_octets, index),    row(if_out_octets, index),
                             row(if_high_speed, index),   row(if_speed, index)};
    const RouterProblem problem =
        problem_of(snmp_exchange(agent, SnmpRequest::get, names, 8, response, stop));
    if (problem != RouterProblem::none) return problem;
    const SnmpBinding* b = response->bindings;
    row_read->index = index;
    text_of(b[0].value, row_read->name);
    phys_of(b[1].value, row_read->phys_address);
    row_read->counters_known = counters_of(b[2].value, b[3].value, b[4].value, b[5].value,
                                           &row_read->wide_counters, &row_read->received, &row_read->sent);
    row_read->speed_bps = speed_of(b[6].value, b[7].value);
    return RouterProblem::none;
}

// A GETNEXT's answer that is the column's next row: a walk ends at the
// column's end, and never goes back (an agent that did would walk forever).
bool next_row(const SnmpBinding& found, const SnmpOid& column, const SnmpOid& asked) {
    if (found.value.type == SnmpType::end_of_mib_view || !oid_below(found.name, column) ||
        found.name.length != column.length + 1)
        return false;
    const std::uint32_t index = found.name.parts[column.length];
    return index > 0 && index <= 0x7FFFFFFF &&
           (asked.length == column.length || index > asked.parts[column.length]);
}

// The ifIndex whose ifPhysAddress is `phys_address`, walked; 0 when none is.
// A router's VLANs often share their port's address: then the one named
// `name` (empty: the only one) is it.
std::int32_t find_by_phys_address(const SnmpAgent& agent, const char* phys_address, const char* name,
                                  SnmpResponse* response, HANDLE stop) {
    SnmpOid found[snmp_bindings_max];
    int count = 0;
    SnmpOid at = if_phys_address;
    for (int step = 0; step < walk_steps_max && count < snmp_bindings_max; ++step) {
        if (snmp_exchange(agent, SnmpRequest::get_next, &at, 1, response, stop) != SnmpResult::answered)
            break;
        const SnmpBinding& next = response->bindings[0];
        if (!next_row(next, if_phys_address, at)) break;
        char phys[phys_address_size];
        phys_of(next.value, phys);
        if (std::strcmp(phys, phys_address) == 0)
            found[count++] = row(if_name, static_cast<std::int32_t>(next.name.parts[if_phys_address.length]));
        at = next.name;
    }
    if (count == 1 && !name[0]) return static_cast<std::int32_t>(found[0].parts[if_name.length]);
    if (count == 0 || !name[0] ||
        snmp_exchange(agent, SnmpRequest::get, found, count, response, stop) != SnmpResult::answered)
        return 0;
    for (int i = 0; i < count; ++i) {
        char text[interface_text_size];
        text_of(response->bindings[i].value, text);
        if (std::strcmp(text, name) == 0) return static_cast<std::int32_t>(found[i].parts[if_name.length]);
    }
    return 0;
}

}  // namespace

RouterProblem walk_snmp_interfaces(const SnmpAgent& agent, SnmpInterfaceList* list, HANDLE stop) {
    list->count = 0;
    auto response = std::make_unique<SnmpResponse>();
    SnmpOid at = if_descr;
    for (int step = 0; step < walk_steps_max && list->count < snmp_interfaces_max; ++step) {
        const SnmpResult result = snmp_exchange(agent, SnmpRequest::get_next, &at, 1, response.get(), stop);
        if (result != SnmpResult::answered) return list->count ? RouterProblem::none : problem_of(result);
        const SnmpBinding& found = response->bindings[0];
        if (!next_row(found, if_descr, at)) break;
        at = found.name;
        SnmpInterface& row_read = list->interfaces[list->count];
        row_read = SnmpInterface{};
        text_of(found.value, row_read.description);
        const auto index = static_cast<std::int32_t>(found.name.parts[if_descr.length]);
        const RouterProblem problem = read_row(agent, index, &row_read, response.get(), stop);
        if (problem != RouterProblem::none) return problem;
        ++list->count;
    }
    return list->count ? RouterProblem::none : RouterProblem::no_counters;
}

RouterProblem read_snmp_counters(const SnmpAgent& agent, const char* host, const char* phys_address,
                                 const char* name, std::int32_t* index, RouterReading* reading, HANDLE stop) {
    auto response = std::make_unique<SnmpResponse>();
    for (int attempt = 0; attempt < 2; ++attempt) {
        const SnmpOid names[] = {row(if_hc_in_octets, *index),
                                 row(if_hc_out_octets, *index),
                                 row(if_in_octets, *index),
                                 row(if_out_octets, *index),
                                 sys_up_time,
                                 row(if_counter_discontinuity_time, *index),
                                 row(if_phys_address, *index),
                                 row(if_name, *index),
                                 row(if_high_speed, *index),
                                 row(if_speed, *index)};
        const RouterProblem problem =
            problem_of(snmp_exchange(agent, SnmpRequest::get, names, 10, response.get(), stop));
        if (problem != RouterProblem::none) return problem;
        const SnmpBinding* b = response->bindings;
        char phys[phys_address_size], interface_name[interface_text_size];
        phys_of(b[6].value, phys);
        text_of(b[7].value, interface_name);
        if ((phys_address[0] && std::strcmp(phys, phys_address) != 0) ||
            (name[0] && std::strcmp(interface_name, name) != 0)) {
            // The index names another interface now, or none.
            const std::int32_t found =
                attempt == 0 ? find_by_phys_address(agent, phys_address, name, response.get(), stop) : 0;
            if (found == 0) return RouterProblem::other_router;
            *index = found;
            continue;
        }
        if (b[6].value.type != SnmpType::octets) return RouterProblem::no_counters;  // no such interface
        if (!counters_of(b[0].value, b[1].value, b[2].value, b[3].value, &reading->wide_counters,
                         &reading->received, &reading->sent))
            return RouterProblem::counter_missing;
        std::snprintf(reading->identity, sizeof reading->identity, "%s %s", host, phys);
        std::snprintf(reading->friendly_name, sizeof reading->friendly_name, "%s", interface_name);
        reading->uptime_known = b[4].value.type == SnmpType::time_ticks;
        reading->uptime_cs = reading->uptime_known ? b[4].value.number : 0;
        reading->discontinuity_known = b[5].value.type == SnmpType::time_ticks;
        reading->discontinuity_cs = reading->discontinuity_known ? b[5].value.number : 0;
        reading->link_down_bps = reading->link_up_bps = speed_of(b[8].value, b[9].value);
        reading->identity_checked = true;
        return RouterProblem::none;
    }
    return RouterProblem::other_router;
}
