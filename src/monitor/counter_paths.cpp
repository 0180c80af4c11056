// Counter paths: splitting them, and expanding a wildcard one into the
// path of every instance present.
#include "monitor/counter_paths.h"

#include <cstdio>
#include <cstring>
#include <memory>
#include <new>

#include "monitor/counter_source.h"

namespace {

constexpr char object_name[] = "\\Network Interface";
constexpr char received_name[] = "\\Bytes Received/sec";
constexpr char sent_name[] = "\\Bytes Sent/sec";

unsigned char lower_ascii(char c) {
    const unsigned char u = static_cast<unsigned char>(c);
    return u >= 'A' && u <= 'Z' ? static_cast<unsigned char>(u - 'A' + 'a') : u;
}

}  // namespace

bool same_text(const char* a, const char* b) {
    for (;; ++a, ++b) {
        if (lower_ascii(*a) != lower_ascii(*b)) return false;
        if (*a == 0) return true;
    }
}

bool same_span(const char* text, std::size_t length, const char* word) {
    if (std::strlen(word) != length) return false;
    for (std::size_t i = 0; i < length; ++i) {
        if (lower_ascii(text[i]) != lower_ascii(word[i])) return false;
    }
    return true;
}

// Splits "\Network Interface(NAME)\Bytes Received/sec": the instance is the
// text between the first "(" and the last ")".
PDH_STATUS parse_path(const char* path, ParsedPath* parsed) {
    if (!path) return PDH_INVALID_ARGUMENT;
    const char* open = std::strchr(path, '(');
    const char* close = std::strrchr(path, ')');
    if (!open || !close || close < open) return PDH_CSTATUS_BAD_COUNTERNAME;
    if (!same_span(path, static_cast<std::size_t>(open - path), object_name)) return PDH_CSTATUS_NO_OBJECT;
    const char* counter = close + 1;
    if (same_text(counter, received_name))
        parsed->received = true;
    else if (same_text(counter, sent_name))
        parsed->received = false;
    else
        return PDH_CSTATUS_NO_COUNTER;
    parsed->instance = open + 1;
    parsed->instance_length = static_cast<std::size_t>(close - open - 1);
    parsed->counter = counter;
    return 0;
}

PDH_STATUS PdhExpandCounterPathA(const char* wildcard_path, char* expanded_paths, std::uint32_t* size) {
    if (!size) return PDH_INVALID_ARGUMENT;
    ParsedPath parsed{};
    PDH_STATUS status = parse_path(wildcard_path, &parsed);
    if (status != 0) return status;
    std::unique_ptr<NamedInterfaces> interfaces(new (std::nothrow) NamedInterfaces());
    if (!interfaces) return PDH_MEMORY_ALLOCATION_FAILURE;
    if (!read_named_interfaces(interfaces.get())) return PDH_CSTATUS_NO_OBJECT;

    const bool all = same_span(parsed.instance, parsed.instance_length, "*");
    const std::size_t prefix = static_cast<std::size_t>(parsed.instance - wildcard_path);
    const std::size_t suffix = std::strlen(parsed.counter) + 1;  // ")" and the counter name
    std::size_t needed = 1;
    for (int pass = 0; pass < 2; ++pass) {
        std::size_t at = 0;
        for (int i = 0; i < interfaces->table.count; ++i) {
            const char* name = interfaces->names[i];
            if (!all && !same_span(parsed.instance, parsed.instance_length, name)) continue;
            std::size_t length = prefix + std::strlen(name) + suffix + 1;
            if (pass == 1)
                std::snprintf(expanded_paths + at, length, "%.*s%s)%s", static_cast<int>(prefix),
                              wildcard_path, name, parsed.counter);
            at += length;
        }
        if (pass == 0) {
            needed = at + 1;
            if (!expanded_paths || *size < needed) {
                *size = static_cast<std::uint32_t>(needed);
                return PDH_MORE_DATA;
            }
        } else {
            expanded_paths[at] = 0;
        }
    }
    *size = static_cast<std::uint32_t>(needed);
    return 0;
}
