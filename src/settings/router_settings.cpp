#include "settings/router_settings.h"

#include <cstdint>
#include <cstdio>
#include <cstring>

#include "monitor/router_count.h"
#include "settings/setting_keys.h"
#include "settings/setting_values.h"
#include "settings/settings_store.h"

namespace {

constexpr char default_community[] = "public";

const char* stored_text(const char* key) {
    const Setting* setting = find_setting(key);
    return setting && setting->value ? setting->value : "";
}

// A text is kept whole or not at all.
template <std::size_t size>
bool take_text(char (&to)[size], const char* key, const char* fallback = "") {
    const char* text = stored_text(key);
    if (!*text) text = fallback;
    if (std::strlen(text) >= size) {
        to[0] = '\0';
        return false;
    }
    std::snprintf(to, size, "%s", text);
    return true;
}

RouterSource source_from_text(const char* text) {
    if (std::strcmp(text, "upnp") == 0) return RouterSource::upnp;
    if (std::strcmp(text, "snmp") == 0) return RouterSource::snmp;
    return RouterSource::off;
}

const char* source_text(RouterSource source) {
    switch (source) {
        case RouterSource::upnp:
            return "upnp";
        case RouterSource::snmp:
            return "snmp";
        case RouterSource::off:
            break;
    }
    return "off";
}

}  // namespace

void load_router_settings() {
    RouterChoice choice{};
    choice.source = source_from_text(stored_text(keys::router_source));
    bool whole = take_text(choice.location, keys::router_location);
    whole = take_text(choice.service_id, keys::router_service_id) && whole;
    whole = take_text(choice.snmp_host, keys::router_snmp_host) && whole;
    whole = take_text(choice.snmp_community, keys::router_snmp_community, default_community) && whole;
    whole = take_text(choice.identity, keys::router_identity) && whole;
    whole = take_text(choice.name, keys::router_name) && whole;
    const std::int64_t if_index = read_setting_int64(stored_text(keys::router_snmp_interface));
    if (if_index >= 1 && if_index <= INT32_MAX)
        choice.snmp_interface = static_cast<std::int32_t>(if_index);
    const bool usable = choice.source == RouterSource::upnp   ? choice.location[0] != '\0'
                        : choice.source == RouterSource::snmp ? choice.snmp_host[0] && choice.snmp_interface
                                                              : false;
    if (!whole || !usable) choice.source = RouterSource::off;
    router_choice = choice;
}

// Once a router has been chosen its keys stay, so that one turned off keeps
// what the Router dialog shows again.
void store_router_settings() {
    const RouterChoice& choice = router_choice;
    if (choice.source == RouterSource::off && !find_setting(keys::router_source)) return;
    set_setting(keys::router_source, source_text(choice.source));
    set_setting(keys::router_location, choice.location);
    set_setting(keys::router_service_id, choice.service_id);
    set_setting(keys::router_snmp_host, choice.snmp_host);
    set_setting(keys::router_snmp_community, choice.snmp_community);
    set_setting_int(keys::router_snmp_interface, choice.snmp_interface);
    set_setting(keys::router_identity, choice.identity);
    set_setting(keys::router_name, choice.name);
}
