// The household's router as the settings keep it: read into `router_choice`
// with the rest at load, and written back with every save.
#pragma once

// A source other than "upnp" or "snmp", or what it needs missing or too long
// to keep whole, reads as off: nothing is sent. SNMP's community is
// "public" when none is stored, and is kept as given.
void load_router_settings();
// Without a router ever chosen, the file gets no router keys.
void store_router_settings();
