// libFuzzer target: what the network hands the router's reader. The first byte
// chooses the reader, the rest is its input; whatever is accepted must be what
// the program may safely act on.
#include <cstdint>
#include <cstring>
#include <string>

#include "../settings/fuzz_support.h"
#include "monitor/snmp_ber.h"
#include "monitor/ssdp_message.h"
#include "monitor/strict_number.h"

namespace {

bool printable(const char* text) {
    for (; *text; ++text) {
        if (static_cast<unsigned char>(*text) <= ' ' || static_cast<unsigned char>(*text) > '~') return false;
    }
    return true;
}

void decimal(const char* data, std::size_t size) {
    std::uint64_t value = 0, largest = size % 2 ? 0xFFFFFFFFu : UINT64_MAX;
    const bool read = parse_decimal(data, size, largest, &value);
    // The reference: digits only, the value kept exactly in a wider number.
    unsigned __int128 reference = 0;
    bool digits = size > 0;
    for (std::size_t i = 0; i < size && digits; ++i) {
        digits = data[i] >= '0' && data[i] <= '9';
        if (reference <= largest) reference = reference * 10 + static_cast<unsigned>(data[i] - '0');
    }
    check(read == (digits && reference <= largest), "a decimal text read differently");
    check(!read || value == static_cast<std::uint64_t>(reference), "a decimal text's value differs");
}

void url(const std::string& text) {
    RouterUrl parsed;
    if (!parse_router_url(text.c_str(), &parsed)) return;
    check(parsed.port != 0 && parsed.path[0] == '/' && printable(parsed.path) && printable(parsed.host),
          "an accepted URL holds what a request line must not");
    char again[router_text_size];
    RouterUrl reread;
    if (!format_router_url(parsed, again)) return;
    check(parse_router_url(again, &reread) && std::strcmp(reread.host, parsed.host) == 0 &&
              reread.port == parsed.port && std::strcmp(reread.path, parsed.path) == 0 &&
              reread.address == parsed.address,
          "a URL reads differently once written again");
}

// Three texts split at NULs: the description's URL, its URLBase and a controlURL.
void resolve(const char* data, std::size_t size) {
    const std::string all(data, size);
    const std::string location_text = all.substr(0, all.find('\0'));
    const std::size_t second = location_text.size() + 1;
    const std::string rest = second < all.size() ? all.substr(second) : "";
    const std::string base = rest.substr(0, rest.find('\0'));
    const std::string reference = base.size() + 1 < rest.size() ? rest.substr(base.size() + 1) : "";
    RouterUrl location, resolved;
    if (!parse_router_url(location_text.c_str(), &location) ||
        !resolve_control_url(location, base.c_str(), reference.c_str(), &resolved))
        return;
    check(std::strcmp(resolved.host, location.host) == 0 && resolved.port == location.port &&
              resolved.address == location.address,
          "a control URL left the description's host");
    check(resolved.path[0] == '/' && printable(resolved.path), "a control URL's path holds what it must not");
}

void ssdp(const char* data, std::size_t size) {
    SsdpAnswer answer;
    if (!parse_ssdp_answer(data, size, &answer)) return;
    check(answer.location[0] != 0, "an answer without a LOCATION accepted");
    for (const char* field : {answer.location, answer.search_target, answer.unique_name}) {
        for (; *field; ++field)
            check(static_cast<unsigned char>(*field) >= ' ' || *field == '\t', "a control character kept");
    }
    const Ipv4Subnet own = {0x0A000002, 8};
    RouterUrl followed;
    if (may_follow_location(answer.location, 0x0A000001, &own, 1, &followed))
        check(followed.address == 0x0A000001, "a LOCATION followed to another host");
}

void snmp_response(const std::uint8_t* data, std::size_t size) {
    SnmpResponse response;
    if (!decode_snmp_response(data, size, "public", &response)) return;
    check(response.count >= 0 && response.count <= snmp_bindings_max, "too many bindings");
    check(response.error_index <= response.count && response.error_status >= 0, "error fields out of range");
    for (int i = 0; i < response.count; ++i) {
        const SnmpBinding& binding = response.bindings[i];
        check(binding.name.length >= 2 && binding.name.length <= snmp_oid_parts_max, "a name out of range");
        check(binding.value.octet_count <= snmp_octets_max, "a string past its array");
        const SnmpType type = binding.value.type;
        if (type == SnmpType::counter32 || type == SnmpType::gauge32 || type == SnmpType::time_ticks)
            check(binding.value.number <= 0xFFFFFFFFu, "a 32-bit value past 32 bits");
    }
}

// Names made of the input's bytes, encoded, then read back as an agent's
// answer would carry them (the request's tag made a response's).
void snmp_request(const std::uint8_t* data, std::size_t size) {
    SnmpOid names[3] = {};
    int count = 0;
    for (std::size_t i = 0; i < size && count < 3; ++count) {
        SnmpOid& name = names[count];
        name.parts[0] = data[i] % 3;
        name.parts[1] = data[i] % 40;
        name.length = 2;
        for (++i; i < size && data[i] != 0xFF && name.length < snmp_oid_parts_max; ++i) {
            name.parts[name.length++] = data[i] * 0x01010101u >> (data[i] % 32);
        }
        ++i;
    }
    std::uint8_t message[2048];
    const std::size_t length =
        encode_snmp_request(SnmpRequest::get, "public", static_cast<std::int32_t>(size * 0x9E3779B9u), names,
                            count, message, sizeof message);
    check(length > 0, "a request of valid names not encoded");
    // The PDU's tag follows the message's header, the version and the community.
    std::size_t at = 1 + (message[1] < 0x80 ? 1 : 1 + (message[1] & 0x7F)) + 3 + 2 + 6;
    check(message[at] == 0xA0, "the request's tag is not where it belongs");
    message[at] = 0xA2;
    SnmpResponse response;
    check(decode_snmp_response(message, length, "public", &response), "a request read back refused");
    check(response.count == count, "bindings lost");
    for (int i = 0; i < count; ++i) {
        check(same_oid(response.bindings[i].name, names[i]), "a name read back differs");
        check(response.bindings[i].value.type == SnmpType::null, "a value read back is not NULL");
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    const char* text = reinterpret_cast<const char*>(data + 1);
    const std::size_t length = size - 1;
    switch (data[0] % 6) {
        case 0:
            decimal(text, length);
            break;
        case 1:
            url(std::string(text, length));
            break;
        case 2:
            resolve(text, length);
            break;
        case 3:
            ssdp(text, length);
            break;
        case 4:
            snmp_response(data + 1, length);
            break;
        case 5:
            snmp_request(data + 1, length);
            break;
    }
    return 0;
}
