// Inside the counter source: counter paths and instance names, the text work
// that the queries and the expansion share.
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

// Writes the instance name for an adapter description the way performance
// counters spell it: "(" as "[", ")" as "]", and "#", "/", "\" as "_".
void make_instance_name(const char* description, char* name, int size);

// Gives each row its instance name; equal names are told apart by " _2", " _3"...
void name_rows(const InterfaceTable& table, char (*names)[instance_name_size]);
