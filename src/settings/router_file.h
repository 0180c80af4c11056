// The router's base in usage.cfg, under "router." keys: kept apart from the
// adapters' bases and their boot, since the router goes on while the PC
// restarts.
#pragma once

#include <string>

#include "monitor/usage_count.h"

// What usage.cfg's router lines say, as they come.
struct RouterLines {
    bool damaged;
    bool has_identity;
    bool has_last;
    bool has_time;
    RouterCounter counter;
};

void take_router_line(RouterLines& lines, const char* key, const char* value);

// The base the lines give: none where one of them is damaged, or its identity
// or counters are missing. A missing time is an unknown one, and no monotonic
// clock of this run read it.
RouterCounter router_of_lines(const RouterLines& lines);

// Its lines, none when there is no base.
std::string router_file_text(const RouterCounter& router);
