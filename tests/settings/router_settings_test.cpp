// The router's settings: anything out of range reads as off, and a file that
// never had a router gets no router keys.
#include "settings/router_settings.h"

#include <gtest/gtest.h>

#include <string>

#include "monitor/router_count.h"
#include "settings/settings_store.h"
#include "settings_fixture.h"

namespace {

using RouterSettingsTest = SettingsTest;

TEST_F(RouterSettingsTest, OutOfRangeValuesReadAsOff) {
    const std::string long_text(router_text_size, 'a');
    const struct {
        const char *source, *location, *host, *if_index, *community;
        RouterSource read;
        const char* read_community;
    } cases[] = {
        {"upnp", "http://10.0.0.1:5000/rootDesc.xml", "", "", "", RouterSource::upnp, "public"},
        {"UPnP", "http://10.0.0.1:5000/rootDesc.xml", "", "", "", RouterSource::off, "public"},
        {"upnp", "", "10.0.0.1", "3", "", RouterSource::off, "public"},
        {"upnp", long_text.c_str(), "", "", "", RouterSource::off, "public"},
        {"snmp", "", "10.0.0.1", "3", "h0me; \"lan\"", RouterSource::snmp, "h0me; \"lan\""},
        {"snmp", "", "10.0.0.1", "0", "", RouterSource::off, "public"},
        {"snmp", "", "10.0.0.1", "2147483648", "", RouterSource::off, "public"},
        {"snmp", "", "", "3", "", RouterSource::off, "public"},
        {"snmp", "", "10.0.0.1", "3", long_text.c_str(), RouterSource::off, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.source) + " " + c.location + " " + c.host + " " + c.if_index);
        clear_settings();
        set_setting("router.source", c.source);
        set_setting("router.location", c.location);
        set_setting("router.snmp_host", c.host);
        set_setting("router.snmp_interface", c.if_index);
        set_setting("router.snmp_community", c.community);
        load_router_settings();
        EXPECT_EQ(router_choice.source, c.read);
        EXPECT_STREQ(router_choice.snmp_community, c.read_community);
    }

    clear_settings();
    load_router_settings();
    store_router_settings();
    EXPECT_EQ(settings_store.pair_count, 0) << "no router, no keys";
    router_choice.source = RouterSource::snmp;
    store_router_settings();
    router_choice.source = RouterSource::off;
    store_router_settings();
    ASSERT_NE(find_setting("router.source"), nullptr);
    EXPECT_STREQ(find_setting("router.source")->value, "off") << "a router turned off is kept off";
}

}  // namespace
