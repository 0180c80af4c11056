// The household's router as one more counted source: each reading of its
// counters into the counts of an adapter named for it, with no hardware flag,
// so that "All hardware adapters" never adds it to the PC's own traffic.
#pragma once

#include "monitor/router_reading.h"
#include "monitor/usage_count.h"

// The router the settings chose.
extern RouterChoice router_choice;

struct RouterCounted {
    // The choice took the answer's identity, or its name: the settings are to
    // keep them.
    bool learnt;
    // Grown by more than the link could carry: the identity is to be checked
    // before the reading counts.
    bool check_identity;
};

// Counts `reading` on `today`, when the PC had run `uptime_ms`, against the
// base of `usage.router`. Only the chosen router's answers count; a choice
// without an identity (settings written by hand) takes the first answer's,
// and one without a name is named then. The first reading of a router is its
// base.
RouterCounted count_router_reading(UsageCount& usage, RouterChoice& choice, const RouterReading& reading,
                                   DayNumber today, std::int64_t uptime_ms);

// The name a router's traffic is kept under, given once, when it is chosen:
// "Router: <friendly name>", for SNMP "Router: <host> <interface>", with " _2",
// " _3"... where an adapter of the counts has it already. Control characters
// become blanks: the name is a line of the files.
void name_router(char (&name)[router_text_size], const RouterChoice& choice, const char* friendly_name,
                 UsageCount& usage);
