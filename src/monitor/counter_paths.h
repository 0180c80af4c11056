// Inside the counter source: counter paths, instance names and the interface
// table as the counters name it, shared by the queries and the expansion.
#pragma once

#include <cstddef>

#include "monitor/counter_types.h"

constexpr int instance_name_size = 272;  // a description plus a " _NNN" suffix

// Instance, object and counter names are matched without regard to case.
bool same_text(const char* a, const char* b);
bool same_span(const char* text, std::size_t length, const char* word);

struct ParsedPath {
    const char* instance;
    std::size_t instance_length;
    const char* counter;  // the counter part, starting with its backslash
    bool received;
};

PDH_STATUS parse_path(const char* path, ParsedPath* parsed);

struct NamedInterfaces {
    InterfaceTable table;
    char names[max_interfaces][instance_name_size];
};

// Gives each row its instance name; equal names are told apart by " _2", " _3"...
void name_rows(const InterfaceTable& table, char (*names)[instance_name_size]);

// Every interface present now, named; false when the platform does not answer.
bool read_named_interfaces(NamedInterfaces* interfaces);
