// A scripted SNMPv2c agent's answers: GET and GETNEXT over a table of its own.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "monitor/snmp_ber.h"

// Each name's value, its BER element whole; ordered as GETNEXT walks.
using Mib = std::map<std::vector<std::uint32_t>, std::string>;

inline std::string ber(int tag, const std::string& content) {
    std::string out(1, static_cast<char>(tag));
    if (content.size() >= 0x80) out += static_cast<char>(0x82), out += static_cast<char>(content.size() >> 8);
    return out + static_cast<char>(content.size() & 0xFF) + content;
}

inline std::string ber_unsigned(int tag, std::uint64_t value) {
    std::string bytes;
    do bytes.insert(bytes.begin(), static_cast<char>(value & 0xFF));
    while (value >>= 8);
    if (static_cast<unsigned char>(bytes[0]) & 0x80) bytes.insert(bytes.begin(), '\0');
    return ber(tag, bytes);
}

inline std::string ber_oid(const std::vector<std::uint32_t>& parts) {
    std::string content(1, static_cast<char>(parts[0] * 40 + parts[1]));
    for (std::size_t i = 2; i < parts.size(); ++i) {
        std::string part(1, static_cast<char>(parts[i] & 0x7F));
        for (std::uint32_t rest = parts[i] >> 7; rest; rest >>= 7)
            part.insert(part.begin(), static_cast<char>(0x80 | (rest & 0x7F)));
        content += part;
    }
    return ber(0x06, content);
}

// The answer of an agent with `mib` and `community` to `datagram`, with the
// request id moved by `id_shift`; empty for a request it drops.
inline std::string agent_answer(const Mib& mib, const char* community, const std::string& datagram,
                                int id_shift = 0) {
    std::string request = datagram;
    // Read back as a response: the request's tag follows the header, the version and the community.
    const std::size_t at = 1 + (static_cast<unsigned char>(request[1]) < 0x80 ? 1 : 1 + (request[1] & 0x7F)) +
                           3 + 2 + std::string(community).size();
    if (request.size() <= at) return "";
    const int tag = static_cast<unsigned char>(request[at]);
    request[at] = static_cast<char>(0xA2);
    SnmpResponse asked;
    if (!decode_snmp_response(reinterpret_cast<const std::uint8_t*>(request.data()), request.size(),
                              community, &asked))
        return "";
    std::string bindings;
    for (int i = 0; i < asked.count; ++i) {
        std::vector<std::uint32_t> name(asked.bindings[i].name.parts,
                                        asked.bindings[i].name.parts + asked.bindings[i].name.length);
        std::string value = ber(0x81, "");  // noSuchInstance
        if (tag == 0xA0 && mib.count(name)) {
            value = mib.at(name);
        } else if (tag == 0xA1) {
            const auto next = mib.upper_bound(name);
            value = next == mib.end() ? ber(0x82, "") : next->second;
            if (next != mib.end()) name = next->first;
        }
        bindings += ber(0x30, ber_oid(name) + value);
    }
    return ber(0x30,
               ber(0x02, "\x01") + ber(0x04, community) +
                   ber(0xA2, ber_unsigned(0x02, static_cast<std::uint32_t>(asked.request_id + id_shift)) +
                                 ber(0x02, std::string(1, '\0')) + ber(0x02, std::string(1, '\0')) +
                                 ber(0x30, bindings)));
}
