// Counter paths and instance names: splitting a path, and naming the rows of
// the interface table as the counters name them.
#include "monitor/counter_paths.h"

#include <cstdio>
#include <cstring>

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

void make_instance_name(const char* description, char* name, int size) {
    if (size <= 0) return;
    int at = 0;
    for (; description[at] && at < size - 1; ++at) {
        char c = description[at];
        if (c == '(')
            c = '[';
        else if (c == ')')
            c = ']';
        else if (c == '#' || c == '/' || c == '\\')
            c = '_';
        name[at] = c;
    }
    name[at] = 0;
}

void name_rows(const InterfaceTable& table, char (*names)[instance_name_size]) {
    const int count = table.count;
    int earlier[max_interfaces];
    for (int i = 0; i < count; ++i) {
        make_instance_name(table.rows[i].description, names[i], instance_name_size);
        earlier[i] = 0;
        for (int j = 0; j < i; ++j) earlier[i] += same_text(names[j], names[i]);
    }
    for (int i = 0; i < count; ++i) {
        if (earlier[i] == 0) continue;
        char* name = names[i];
        const std::size_t length = std::strlen(name);
        std::snprintf(name + length, instance_name_size - length, " _%d", earlier[i] + 1);
    }
}
