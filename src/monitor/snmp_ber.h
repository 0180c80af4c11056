// SNMPv2c messages in BER: the GET and GETNEXT requests the program sends and
// the Response it reads. Every length of an answer is checked against its
// container before a byte of it is read.
#pragma once

#include <cstddef>
#include <cstdint>

constexpr int snmp_oid_parts_max = 64;
constexpr int snmp_bindings_max = 10;
constexpr std::size_t snmp_octets_max = 256;
// An answer the program reads is at most this long: larger ones are refused.
constexpr std::size_t snmp_message_size_max = 4096;

struct SnmpOid {
    std::uint32_t parts[snmp_oid_parts_max];
    int length;
};

enum class SnmpType : std::uint8_t {
    integer = 0x02,
    octets = 0x04,
    null = 0x05,
    oid = 0x06,
    ip_address = 0x40,
    counter32 = 0x41,
    gauge32 = 0x42,
    time_ticks = 0x43,
    counter64 = 0x46,
    // The exceptions an agent answers in a value's place.
    no_such_object = 0x80,
    no_such_instance = 0x81,
    end_of_mib_view = 0x82,
};

struct SnmpValue {
    SnmpType type;
    std::int32_t integer;                  // INTEGER
    std::uint64_t number;                  // Counter32, Gauge32, TimeTicks, Counter64
    std::uint8_t octets[snmp_octets_max];  // OCTET STRING and IpAddress
    std::size_t octet_count;
    SnmpOid oid;  // OBJECT IDENTIFIER
};

struct SnmpBinding {
    SnmpOid name;
    SnmpValue value;
};

struct SnmpResponse {
    std::int32_t request_id;
    std::int32_t error_status;
    std::int32_t error_index;
    int count;
    SnmpBinding bindings[snmp_bindings_max];
};

enum class SnmpRequest : std::uint8_t { get = 0xA0, get_next = 0xA1 };

// A request of version 2c for `names`, their values NULL; its length, or 0
// when it does not fit in `size` bytes or a name cannot be encoded.
std::size_t encode_snmp_request(SnmpRequest kind, const char* community, std::int32_t request_id,
                                const SnmpOid* names, int count, std::uint8_t* message, std::size_t size);

// A Response-PDU of version 2c with `community`, taking exactly `size` bytes:
// lengths in short or long form (never indefinite), none past its container,
// integers within their types' ranges, at most snmp_bindings_max bindings.
bool decode_snmp_response(const std::uint8_t* message, std::size_t size, const char* community,
                          SnmpResponse* response);

// `oid` is `prefix` followed by at least one more part.
bool oid_below(const SnmpOid& oid, const SnmpOid& prefix);
bool same_oid(const SnmpOid& a, const SnmpOid& b);
