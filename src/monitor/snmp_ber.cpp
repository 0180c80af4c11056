#include "monitor/snmp_ber.h"

#include <cstring>

namespace {

constexpr std::uint8_t tag_sequence = 0x30;
constexpr std::uint8_t tag_response = 0xA2;
constexpr std::int32_t version_2c = 1;

// ---- Encoding: each element's length is known before it is written.

std::size_t length_size(std::size_t length) {
    return length < 0x80 ? 1 : length <= 0xFF ? 2 : 3;
}

std::size_t element_size(std::size_t content) {
    return 1 + length_size(content) + content;
}

std::size_t integer_content_size(std::int32_t value) {
    std::size_t size = 4;
    // Leading bytes that only repeat the sign go.
    while (size > 1) {
        const std::int32_t top9 = value >> (8 * size - 9);
        if (top9 != 0 && top9 != -1) break;
        --size;
    }
    return size;
}

std::size_t part_size(std::uint32_t part) {
    std::size_t size = 1;
    while (part >>= 7) ++size;
    return size;
}

// 0 when the name cannot be encoded (the first two parts are one number).
std::size_t oid_content_size(const SnmpOid& oid) {
    if (oid.length < 2 || oid.length > snmp_oid_parts_max || oid.parts[0] > 2) return 0;
    if (oid.parts[0] < 2 && oid.parts[1] >= 40) return 0;
    if (oid.parts[1] > 0xFFFFFFFFu - 80) return 0;
    std::size_t size = part_size(oid.parts[0] * 40 + oid.parts[1]);
    for (int i = 2; i < oid.length; ++i) size += part_size(oid.parts[i]);
    return size;
}

struct Writer {
    std::uint8_t* at;
    std::uint8_t* end;
    bool fits;

    void byte(std::uint8_t value) {
        if (at == end) {
            fits = false;
            return;
        }
        *at++ = value;
    }
    void header(std::uint8_t tag, std::size_t length) {
        byte(tag);
        if (length >= 0x80) byte(length <= 0xFF ? 0x81 : 0x82);
        if (length > 0xFF) byte(static_cast<std::uint8_t>(length >> 8));
        byte(static_cast<std::uint8_t>(length));
    }
    void integer(std::int32_t value) {
        const std::size_t size = integer_content_size(value);
        header(0x02, size);
        for (std::size_t i = size; i-- > 0;)
            byte(static_cast<std::uint8_t>(static_cast<std::uint32_t>(value) >> (8 * i)));
    }
    void part(std::uint32_t value) {
        for (std::size_t i = part_size(value); i-- > 1;)
            byte(static_cast<std::uint8_t>(0x80 | (value >> (7 * i))));
        byte(static_cast<std::uint8_t>(value & 0x7F));
    }
};

// ---- Decoding: a reader never looks past the container it was given.

struct Reader {
    const std::uint8_t* at;
    const std::uint8_t* end;
};

// One element: its tag, and a reader over its content only.
bool read_element(Reader* reader, std::uint8_t* tag, Reader* content) {
    if (reader->end - reader->at < 2) return false;
    *tag = *reader->at++;
    if ((*tag & 0x1F) == 0x1F) return false;  // tags of several bytes are not SNMP's
    std::size_t length = *reader->at++;
    if (length == 0x80) return false;  // the indefinite form
    if (length > 0x80) {
        const std::size_t count = length & 0x7F;
        if (count > 4 || static_cast<std::size_t>(reader->end - reader->at) < count) return false;
        length = 0;
        for (std::size_t i = 0; i < count; ++i) length = length << 8 | *reader->at++;
    }
    if (length > static_cast<std::size_t>(reader->end - reader->at)) return false;
    content->at = reader->at;
    content->end = reader->at + length;
    reader->at += length;
    return true;
}

bool read_expected(Reader* reader, std::uint8_t expected, Reader* content) {
    std::uint8_t tag;
    return read_element(reader, &tag, content) && tag == expected;
}

std::size_t size_of(const Reader& reader) {
    return static_cast<std::size_t>(reader.end - reader.at);
}

// INTEGER content within Integer32's range.
bool read_int32(const Reader& content, std::int32_t* value) {
    const std::size_t size = size_of(content);
    if (size == 0 || size > 8) return false;
    std::int64_t number = static_cast<std::int8_t>(content.at[0]);
    for (std::size_t i = 1; i < size; ++i)
        number = static_cast<std::int64_t>(static_cast<std::uint64_t>(number) << 8) | content.at[i];
    if (number < INT32_MIN || number > INT32_MAX) return false;
    *value = static_cast<std::int32_t>(number);
    return true;
}

// Unsigned types' content: not negative, at most `largest`.
bool read_unsigned(const Reader& content, std::uint64_t largest, std::uint64_t* value) {
    std::size_t size = size_of(content);
    const std::uint8_t* at = content.at;
    if (size == 0 || (at[0] & 0x80)) return false;
    while (size > 1 && at[0] == 0) ++at, --size;
    if (size > 8) return false;
    std::uint64_t number = 0;
    for (std::size_t i = 0; i < size; ++i) number = number << 8 | at[i];
    if (number > largest) return false;
    *value = number;
    return true;
}

bool read_oid(const Reader& content, SnmpOid* oid) {
    oid->length = 0;
    bool first = true;
    for (const std::uint8_t* at = content.at; at < content.end;) {
        std::uint64_t part = 0;
        for (int i = 0;; ++i) {
            if (at == content.end || i == 5) return false;  // cut short, or past 32 bits
            const std::uint8_t byte = *at++;
            part = part << 7 | (byte & 0x7F);
            if (!(byte & 0x80)) break;
        }
        if (part > 0xFFFFFFFFu) return false;
        if (oid->length + (first ? 2 : 1) > snmp_oid_parts_max) return false;
        if (first) {
            const std::uint32_t top = part < 40 ? 0 : part < 80 ? 1 : 2;
            oid->parts[oid->length++] = top;
            oid->parts[oid->length++] = static_cast<std::uint32_t>(part - 40 * top);
            first = false;
        } else {
            oid->parts[oid->length++] = static_cast<std::uint32_t>(part);
        }
    }
    return oid->length >= 2;
}

bool read_value(std::uint8_t tag, const Reader& content, SnmpValue* value) {
    value->type = static_cast<SnmpType>(tag);
    const std::size_t size = size_of(content);
    switch (value->type) {
        case SnmpType::integer:
            return read_int32(content, &value->integer);
        case SnmpType::ip_address:
            if (size != 4) return false;
            [[fallthrough]];
        case SnmpType::octets:
            if (size > snmp_octets_max) return false;
            if (size) std::memcpy(value->octets, content.at, size);
            value->octet_count = size;
            return true;
        case SnmpType::oid:
            return read_oid(content, &value->oid);
        case SnmpType::counter32:
        case SnmpType::gauge32:
        case SnmpType::time_ticks:
            return read_unsigned(content, 0xFFFFFFFFu, &value->number);
        case SnmpType::counter64:
            return read_unsigned(content, UINT64_MAX, &value->number);
        case SnmpType::null:
        case SnmpType::no_such_object:
        case SnmpType::no_such_instance:
        case SnmpType::end_of_mib_view:
            return size == 0;
    }
    return false;  // a type the program does not ask for
}

bool read_binding(Reader* bindings, SnmpBinding* binding) {
    Reader pair, name, content;
    std::uint8_t tag;
    return read_expected(bindings, tag_sequence, &pair) && read_expected(&pair, 0x06, &name) &&
           read_oid(name, &binding->name) && read_element(&pair, &tag, &content) && size_of(pair) == 0 &&
           read_value(tag, content, &binding->value);
}

}  // namespace

std::size_t encode_snmp_request(SnmpRequest kind, const char* community, std::int32_t request_id,
                                const SnmpOid* names, int count, std::uint8_t* message, std::size_t size) {
    if (count < 0 || count > snmp_bindings_max) return 0;
    const std::size_t community_size = std::strlen(community);
    std::size_t bindings = 0;
    std::size_t name_sizes[snmp_bindings_max];
    for (int i = 0; i < count; ++i) {
        name_sizes[i] = oid_content_size(names[i]);
        if (name_sizes[i] == 0) return 0;
        bindings += element_size(element_size(name_sizes[i]) + 2);
    }
    const std::size_t pdu = element_size(integer_content_size(request_id)) + 3 + 3 + element_size(bindings);
    const std::size_t content = 3 + element_size(community_size) + element_size(pdu);
    if (element_size(content) > size || content > 0xFFFF) return 0;

    Writer out{message, message + size, true};
    out.header(tag_sequence, content);
    out.integer(version_2c);
    out.header(0x04, community_size);
    for (std::size_t i = 0; i < community_size; ++i) out.byte(static_cast<std::uint8_t>(community[i]));
    out.header(static_cast<std::uint8_t>(kind), pdu);
    out.integer(request_id);
    out.integer(0);  // error-status
    out.integer(0);  // error-index
    out.header(tag_sequence, bindings);
    for (int i = 0; i < count; ++i) {
        out.header(tag_sequence, element_size(name_sizes[i]) + 2);
        out.header(0x06, name_sizes[i]);
        out.part(names[i].parts[0] * 40 + names[i].parts[1]);
        for (int j = 2; j < names[i].length; ++j) out.part(names[i].parts[j]);
        out.byte(0x05);
        out.byte(0x00);
    }
    return out.fits ? static_cast<std::size_t>(out.at - message) : 0;
}

bool decode_snmp_response(const std::uint8_t* message, std::size_t size, const char* community,
                          SnmpResponse* response) {
    if (size > snmp_message_size_max) return false;
    Reader whole{message, message + size}, body, field, pdu, bindings;
    if (!read_expected(&whole, tag_sequence, &body) || size_of(whole) != 0) return false;
    std::int32_t version;
    if (!read_expected(&body, 0x02, &field) || !read_int32(field, &version) || version != version_2c)
        return false;
    if (!read_expected(&body, 0x04, &field) || size_of(field) != std::strlen(community) ||
        std::memcmp(field.at, community, size_of(field)) != 0)
        return false;
    if (!read_expected(&body, tag_response, &pdu) || size_of(body) != 0) return false;
    SnmpResponse read{};
    if (!read_expected(&pdu, 0x02, &field) || !read_int32(field, &read.request_id)) return false;
    if (!read_expected(&pdu, 0x02, &field) || !read_int32(field, &read.error_status) || read.error_status < 0)
        return false;
    if (!read_expected(&pdu, 0x02, &field) || !read_int32(field, &read.error_index) || read.error_index < 0)
        return false;
    if (!read_expected(&pdu, tag_sequence, &bindings) || size_of(pdu) != 0) return false;
    while (size_of(bindings) > 0) {
        if (read.count == snmp_bindings_max || !read_binding(&bindings, &read.bindings[read.count]))
            return false;
        ++read.count;
    }
    if (read.error_index > read.count) return false;
    *response = read;
    return true;
}

bool oid_below(const SnmpOid& oid, const SnmpOid& prefix) {
    if (oid.length <= prefix.length) return false;
    return std::memcmp(oid.parts, prefix.parts,
                       sizeof *prefix.parts * static_cast<std::size_t>(prefix.length)) == 0;
}

bool same_oid(const SnmpOid& a, const SnmpOid& b) {
    return a.length == b.length &&
           std::memcmp(a.parts, b.parts, sizeof *a.parts * static_cast<std::size_t>(a.length)) == 0;
}
