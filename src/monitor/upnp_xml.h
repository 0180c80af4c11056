// A router's UPnP device description and its SOAP answers, read with the
// system's XML reader: no DTD, a bounded depth, bounded sizes, and elements
// taken only in the namespaces UPnP and SOAP give them.
#pragma once

#include <cstddef>

#include "monitor/router_reading.h"

constexpr std::size_t upnp_description_size_max = 65536;
constexpr std::size_t soap_answer_size_max = 16384;
constexpr int upnp_services_max = 4;

constexpr char wan_common_service_type[] = "urn:schemas-upnp-org:service:WANCommonInterfaceConfig:1";

// A WAN link's byte counters, as one description offers them.
struct UpnpWanService {
    char udn[router_text_size];            // of the device that holds the service
    char friendly_name[router_text_size];  // of the root device: the name people know
    char service_id[router_text_size];
    char control_url[router_text_size];  // as written: resolve it against the description's URL
    // The same WAN device's WANIPConnection or WANPPPConnection, for its
    // uptime; empty when it has none.
    char connection_type[router_text_size];
    char connection_control_url[router_text_size];
};

struct UpnpDescription {
    char url_base[router_text_size];  // empty when it names none
    int count;
    UpnpWanService services[upnp_services_max];
};

// Every WANCommonInterfaceConfig service of a description (the first
// upnp_services_max). False for a document that is not a device description,
// is larger than upnp_description_size_max, nests deeper than UPnP does, has
// a DTD, or a field longer than its array.
bool read_upnp_description(const char* bytes, std::size_t size, UpnpDescription* description);

constexpr int soap_values_max = 3;
constexpr std::size_t soap_value_size = 64;

struct SoapAnswer {
    char values[soap_values_max][soap_value_size];
    // A fault's words ("UPnP error 401: Invalid Action"), empty when none came.
    char fault[128];
};

// The values named `names` of an answer to `action` of `service_type`; false
// when any is missing, and for a fault, which `answer->fault` then describes.
bool read_soap_answer(const char* bytes, std::size_t size, const char* service_type, const char* action,
                      const char* const* names, int count, SoapAnswer* answer);
