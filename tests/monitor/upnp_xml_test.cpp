// Device descriptions and SOAP answers read with the system's XML reader, and
// the program's own limits on what it reads: a DTD, a depth, a size, the
// namespaces, a field's length. Wine's reader is not Windows', so each limit
// is the program's.
#include "monitor/upnp_xml.h"

#include <gtest/gtest.h>

#include <string>

#include "support/upnp_documents.h"

namespace {

TEST(UpnpXml, DescriptionsGiveEachWanLinkWithItsConnectionAndRefuseWhatIsHostile) {
    const std::string one = igd(wan_device(1));
    const std::string entities = "<!DOCTYPE root [<!ENTITY a \"" + std::string(1000, 'a') +
                                 "\"><!ENTITY b \"&a;&a;&a;&a;&a;&a;&a;&a;&a;&a;\">]>";
    std::string deep;
    for (int i = 0; i < 16; ++i) deep = "<x>" + deep + "</x>";
    const struct {
        std::string document;
        int services;  // -1: refused
    } cases[] = {
        {one, 1},
        {igd(wan_device(1) + wan_device(2)), 2},
        {"<?xml version=\"1.0\"?>" + entities + igd(wan_device(1, "", "&b;")).substr(21), -1},
        {one.substr(0, one.size() - 7) + "<device>" + deep + "</device></root>", -1},
        {one + "<!--" + std::string(65 * 1024 - one.size() - 7, ' ') + "-->", -1},
        {one + "<!--" + std::string(64 * 1024 - one.size() - 7, ' ') + "-->", 1},  // 64 KB exactly
        {igd(wan_device(1), "urn:schemas-upnp-org:device-1-1"), -1},
        {igd(wan_device(1, "xmlns=\"urn:example:vendor\"")), 0},
        {igd(wan_device(1, "", std::string(256, 'n'))), -1},
        {igd(wan_device(1) + wan_device(2) + wan_device(3) + wan_device(4) + wan_device(5)), 4},
    };
    for (const auto& c : cases) {
        UpnpDescription description{};
        const bool read = read_upnp_description(c.document.data(), c.document.size(), &description);
        EXPECT_EQ(read ? description.count : -1, c.services) << c.document.substr(0, 300);
    }
    UpnpDescription two{};
    const std::string both = igd(wan_device(1) + wan_device(2));
    ASSERT_TRUE(read_upnp_description(both.data(), both.size(), &two));
    EXPECT_STREQ(two.services[1].udn, "uuid:wan-2");
    EXPECT_STREQ(two.services[1].friendly_name, "test router");
    EXPECT_STREQ(two.services[1].service_id, "urn:upnp-org:serviceId:WANCommonIFC2");
    EXPECT_STREQ(two.services[1].control_url, "/ctl/CmnIfCfg2");
    EXPECT_STREQ(two.services[1].connection_type, "urn:schemas-upnp-org:service:WANIPConnection:2");
    EXPECT_STREQ(two.services[1].connection_control_url, "/ctl/IPConn2");
}

TEST(UpnpXml, SoapAnswersAreTakenOnlyInTheirNamespacesAndFaultsSayWhy) {
    const char* received[] = {"NewTotalBytesReceived"};
    const std::string envelope = "http://schemas.xmlsoap.org/soap/envelope/";
    const struct {
        std::string answer;
        const char* value;  // null: refused
        const char* fault;
    } cases[] = {
        {soap_answer("GetTotalBytesReceived", "<NewTotalBytesReceived>90</NewTotalBytesReceived>"), "90", ""},
        {miniupnpd_fault, nullptr, "UPnP error 401: Invalid Action"},
        {soap_answer("GetTotalBytesReceived", "<NewTotalBytesSent>90</NewTotalBytesSent>"), nullptr, ""},
        {soap_answer("GetTotalBytesSent", "<NewTotalBytesReceived>90</NewTotalBytesReceived>"), nullptr, ""},
        {soap_answer("GetTotalBytesReceived", "<NewTotalBytesReceived>90</NewTotalBytesReceived>",
                     "urn:schemas-upnp-org:service:WANIPConnection:1"),
         nullptr, ""},
        {soap_answer("GetTotalBytesReceived", "<NewTotalBytesReceived>90</NewTotalBytesReceived>",
                     wan_common_service_type, "http://www.w3.org/2003/05/soap-envelope"),
         nullptr, ""},
        {soap_answer("GetTotalBytesReceived",
                     "<NewTotalBytesReceived>" + std::string(64, '9') + "</NewTotalBytesReceived>"),
         nullptr, ""},
    };
    for (const auto& c : cases) {
        SoapAnswer answer;
        const bool read = read_soap_answer(c.answer.data(), c.answer.size(), wan_common_service_type,
                                           "GetTotalBytesReceived", received, 1, &answer);
        EXPECT_EQ(read, c.value != nullptr) << c.answer;
        if (read) {
            EXPECT_STREQ(answer.values[0], c.value);
        }
        EXPECT_STREQ(answer.fault, c.fault);
    }
}

}  // namespace
