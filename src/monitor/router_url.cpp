#include "monitor/router_url.h"

#include <cstdio>
#include <cstring>

#include "monitor/strict_number.h"

namespace {

bool starts_with_http(const char* text) {
    static const char scheme[] = "http://";
    for (std::size_t i = 0; i + 1 < sizeof scheme; ++i) {
        const char c = text[i];
        if ((c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c) != scheme[i]) return false;
    }
    return true;
}

bool is_digit(char c) {
    return c >= '0' && c <= '9';
}

bool is_name_character(char c) {
    return is_digit(c) || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '-';
}

// Labels of letters, digits and inner hyphens; a name of digits and dots
// only is an address and must read as one.
bool valid_host_name(const char* host, std::size_t length) {
    if (length == 0 || length >= url_host_size) return false;
    bool only_digits_and_dots = true;
    std::size_t label = 0;
    for (std::size_t i = 0; i <= length; ++i) {
        if (i == length || host[i] == '.') {
            if (label == 0 || label > 63 || host[i - 1] == '-' || host[i - label] == '-') return false;
            label = 0;
            continue;
        }
        if (!is_name_character(host[i])) return false;
        only_digits_and_dots = only_digits_and_dots && is_digit(host[i]);
        ++label;
    }
    return !only_digits_and_dots;
}

// What may go into a request line: printable ASCII but the backslash. A
// fragment is the reader's and is not sent.
bool copy_path(const char* from, std::size_t length, char (&path)[router_text_size]) {
    const char* fragment = static_cast<const char*>(std::memchr(from, '#', length));
    if (fragment) length = static_cast<std::size_t>(fragment - from);
    for (std::size_t i = 0; i < length; ++i) {
        if (from[i] <= ' ' || from[i] > '~' || from[i] == '\\') return false;
    }
    if (length >= sizeof path) return false;
    std::memcpy(path, from, length);
    path[length] = 0;
    return true;
}

}  // namespace

bool parse_ipv4(const char* text, std::size_t length, std::uint32_t* address) {
    std::uint32_t value = 0;
    std::size_t at = 0;
    for (int part = 0; part < 4; ++part) {
        if (part > 0) {
            if (at >= length || text[at] != '.') return false;
            ++at;
        }
        std::size_t end = at;
        while (end < length && is_digit(text[end])) ++end;
        std::uint64_t byte;
        if (end - at > 1 && text[at] == '0') return false;
        if (!parse_decimal(text + at, end - at, 255, &byte)) return false;
        value = value << 8 | static_cast<std::uint32_t>(byte);
        at = end;
    }
    if (at != length) return false;
    *address = value;
    return true;
}

bool parse_router_url(const char* text, RouterUrl* url) {
    if (!starts_with_http(text)) return false;
    const char* authority = text + 7;
    const std::size_t authority_length = std::strcspn(authority, "/?#");
    const char* colon = static_cast<const char*>(std::memchr(authority, ':', authority_length));
    const std::size_t host_length = colon ? static_cast<std::size_t>(colon - authority) : authority_length;
    RouterUrl parsed{};
    if (parse_ipv4(authority, host_length, &parsed.address)) {
        if (parsed.address == 0) return false;
    } else if (!valid_host_name(authority, host_length)) {
        return false;
    }
    std::memcpy(parsed.host, authority, host_length);
    parsed.port = 80;
    if (colon) {
        std::uint64_t port;
        const std::size_t port_length = authority_length - host_length - 1;
        if (!parse_decimal(colon + 1, port_length, 65535, &port) || port == 0) return false;
        parsed.port = static_cast<std::uint16_t>(port);
    }
    const char* rest = authority + authority_length;
    const std::size_t rest_length = std::strlen(rest);
    if (*rest == '/') {
        if (!copy_path(rest, rest_length, parsed.path)) return false;
    } else {
        // "http://host" and "http://host?q" ask for the root.
        char with_root[router_text_size + 1] = "/";
        if (rest_length + 1 >= sizeof with_root) return false;
        std::memcpy(with_root + 1, rest, rest_length + 1);
        if (!copy_path(with_root, rest_length + 1, parsed.path)) return false;
    }
    *url = parsed;
    return true;
}

bool format_router_url(const RouterUrl& url, char (&text)[router_text_size]) {
    const int written = url.port == 80 ? std::snprintf(text, sizeof text, "http://%s%s", url.host, url.path)
                                       : std::snprintf(text, sizeof text, "http://%s:%u%s", url.host,
                                                       static_cast<unsigned>(url.port), url.path);
    return written > 0 && static_cast<std::size_t>(written) < sizeof text;
}

bool resolve_control_url(const RouterUrl& location, const char* url_base, const char* reference,
                         RouterUrl* resolved) {
    RouterUrl result = location;
    const std::size_t reference_length = std::strlen(reference);
    if (reference_length == 0) return false;
    if (starts_with_http(reference)) {
        RouterUrl absolute;
        if (!parse_router_url(reference, &absolute)) return false;
        std::memcpy(result.path, absolute.path, sizeof result.path);
    } else if (reference[0] == '/' && reference[1] == '/') {
        return false;  // another host, spelt without a scheme
    } else if (reference[0] == '/') {
        if (!copy_path(reference, reference_length, result.path)) return false;
    } else {
        if (reference[std::strcspn(reference, ":/?#")] == ':') return false;  // another scheme
        if (reference_length >= router_text_size) return false;
        RouterUrl base = location;
        if (url_base[0] && !parse_router_url(url_base, &base)) return false;
        // The base's folder: its path up to the last "/" before any query.
        const std::size_t base_end = std::strcspn(base.path, "?");
        std::size_t folder = base_end;
        while (folder > 0 && base.path[folder - 1] != '/') --folder;
        char merged[2 * router_text_size];
        std::memcpy(merged, base.path, folder);
        std::memcpy(merged + folder, reference, reference_length);
        if (!copy_path(merged, folder + reference_length, result.path)) return false;
    }
    *resolved = result;
    return true;
}
