#include "monitor/ssdp_message.h"

#include <cstdio>
#include <cstring>

namespace {

bool same_name(const char* text, std::size_t length, const char* name) {
    if (std::strlen(name) != length) return false;
    for (std::size_t i = 0; i < length; ++i) {
        char c = text[i];
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
        if (c != name[i]) return false;
    }
    return true;
}

bool is_blank(char c) {
    return c == ' ' || c == '\t';
}

// A header's value, blanks around it dropped; refused when it was given before.
bool take_value(const char* value, std::size_t length, char (&field)[router_text_size]) {
    while (length > 0 && is_blank(*value)) ++value, --length;
    while (length > 0 && is_blank(value[length - 1])) --length;
    if (field[0] || length == 0 || length >= sizeof field) return false;
    std::memcpy(field, value, length);
    field[length] = 0;
    return true;
}

bool take_header(const char* line, std::size_t length, SsdpAnswer* answer) {
    const char* colon = static_cast<const char*>(std::memchr(line, ':', length));
    if (!colon || colon == line) return false;
    const std::size_t name_length = static_cast<std::size_t>(colon - line);
    for (std::size_t i = 0; i < name_length; ++i) {
        if (line[i] <= ' ' || line[i] > '~') return false;
    }
    const char* value = colon + 1;
    const std::size_t value_length = length - name_length - 1;
    if (same_name(line, name_length, "LOCATION")) return take_value(value, value_length, answer->location);
    if (same_name(line, name_length, "ST")) return take_value(value, value_length, answer->search_target);
    if (same_name(line, name_length, "USN")) return take_value(value, value_length, answer->unique_name);
    return true;
}

}  // namespace

std::size_t format_ssdp_search(char* request, std::size_t size) {
    const int written = std::snprintf(request, size,
                                      "M-SEARCH * HTTP/1.1\r\n"
                                      "HOST: %s:%u\r\n"
                                      "MAN: \"ssdp:discover\"\r\n"
                                      "MX: 2\r\n"
                                      "ST: %s\r\n"
                                      "\r\n",
                                      ssdp_group, static_cast<unsigned>(ssdp_port), igd_device_type);
    return written > 0 && static_cast<std::size_t>(written) < size ? static_cast<std::size_t>(written) : 0;
}

bool parse_ssdp_answer(const char* bytes, std::size_t size, SsdpAnswer* answer) {
    if (size > ssdp_answer_size_max) return false;
    SsdpAnswer parsed{};
    std::size_t at = 0;
    for (int line_number = 0;; ++line_number) {
        if (at == size) break;  // a datagram may end without the empty line
        std::size_t end = at;
        while (end < size && bytes[end] != '\n') {
            const unsigned char c = static_cast<unsigned char>(bytes[end]);
            if ((c < ' ' && c != '\t' && c != '\r') || c == 0x7F) return false;
            ++end;
        }
        std::size_t length = end - at;
        if (length > 0 && bytes[at + length - 1] == '\r') --length;
        if (std::memchr(bytes + at, '\r', length)) return false;
        const char* line = bytes + at;
        at = end < size ? end + 1 : end;
        if (line_number == 0) {
            static const char status[] = "HTTP/1.1 200";
            if (length < sizeof status - 1 || std::memcmp(line, status, sizeof status - 1) != 0) return false;
            if (length > sizeof status - 1 && line[sizeof status - 1] != ' ') return false;
            continue;
        }
        if (length == 0) break;               // the end of the headers
        if (is_blank(line[0])) return false;  // folded onto the line before
        if (!take_header(line, length, &parsed)) return false;
    }
    if (!parsed.location[0]) return false;
    *answer = parsed;
    return true;
}

bool may_follow_location(const char* location, std::uint32_t answered_from, const Ipv4Subnet* own,
                         int own_count, RouterUrl* url) {
    RouterUrl parsed;
    if (!parse_router_url(location, &parsed) || parsed.address == 0 || parsed.address != answered_from)
        return false;
    for (int i = 0; i < own_count; ++i) {
        const int prefix = own[i].prefix_length;
        if (prefix <= 0 || prefix > 32) continue;
        const std::uint32_t mask = prefix == 32 ? 0xFFFFFFFFu : ~(0xFFFFFFFFu >> prefix);
        if ((own[i].address & mask) == (answered_from & mask)) {
            *url = parsed;
            return true;
        }
    }
    return false;
}
