// A UPnP router's WAN link: found in its device description, and its byte
// counters read with SOAP actions.
#pragma once

#include <windows.h>

#include "monitor/router_reading.h"
#include "monitor/router_url.h"
#include "monitor/upnp_xml.h"

// One WANCommonInterfaceConfig service, its control points resolved.
struct UpnpRouter {
    RouterUrl location;
    char identity[router_text_size];  // "<UDN> <serviceId>"
    char friendly_name[router_text_size];
    RouterUrl control;
    // The same WAN device's connection service, for its uptime.
    bool has_connection;
    char connection_type[router_text_size];
    RouterUrl connection_control;
};

// Every WAN link the description at `location` offers (at most
// upnp_services_max); the problem when there is none.
RouterProblem read_upnp_routers(const RouterUrl& location, UpnpRouter* routers, int* count, HANDLE stop);

// One poll: both totals, and where the router tells them, the link's speed
// and the connection's uptime. `reading` takes what came; `fault` the words of
// a SOAP fault, when one came.
RouterProblem read_upnp_counters(const UpnpRouter& router, RouterReading* reading, char (&fault)[128],
                                 HANDLE stop);
