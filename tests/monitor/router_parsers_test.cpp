// What other devices send the router's reader: decimal texts, URLs, search
// answers and SNMP messages, the good ones read and every hostile one refused.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "monitor/snmp_ber.h"
#include "monitor/ssdp_message.h"
#include "monitor/strict_number.h"
#include "support/snmp_agent.h"

namespace {

constexpr std::uint64_t refused = 0xDEADBEEF;

TEST(RouterParsers, DecimalTextsAreDigitsOnlyAndWithinTheirRange) {
    const struct {
        const char* text;
        std::uint64_t largest;
        std::uint64_t value;
    } cases[] = {
        {"0", 0xFFFFFFFF, 0},
        {"007", 0xFFFFFFFF, 7},
        {"4294967295", 0xFFFFFFFF, 4294967295},
        {"4294967296", 0xFFFFFFFF, refused},
        {"18446744073709551615", UINT64_MAX, UINT64_MAX},
        {"18446744073709551616", UINT64_MAX, refused},
        {"7", 5, refused},
        {"", 0xFFFFFFFF, refused},
        {"+1", 0xFFFFFFFF, refused},
        {"-1", 0xFFFFFFFF, refused},
        {"1 ", 0xFFFFFFFF, refused},
        {"1e3", 0xFFFFFFFF, refused},
    };
    for (const auto& c : cases) {
        std::uint64_t value = refused;
        parse_decimal(c.text, std::strlen(c.text), c.largest, &value);
        EXPECT_EQ(value, c.value) << '"' << c.text << '"';
    }
}

std::string url_text(const RouterUrl& url) {
    char text[router_text_size];
    return format_router_url(url, text) ? text : "(too long)";
}

TEST(RouterParsers, UrlsAreHttpToAnAddressOrAName) {
    const struct {
        const char* text;
        const char* read;  // null: refused
    } cases[] = {
        {"http://10.77.1.1:5000/rootDesc.xml", "http://10.77.1.1:5000/rootDesc.xml"},
        {"HTTP://router.lan/igd.xml?x=1#top", "http://router.lan/igd.xml?x=1"},
        {"http://192.168.0.1", "http://192.168.0.1/"},
        {"http://192.168.0.1:80?q", "http://192.168.0.1/?q"},
        {"https://192.168.0.1/", nullptr},
        {"http://admin@192.168.0.1/", nullptr},
        {"http://[fe80::1]/", nullptr},
        {"http://192.168.0.1:0/", nullptr},
        {"http://192.168.0.1:/", nullptr},
        {"http://192.168.0.01/", nullptr},
        {"http://192.168.0/", nullptr},
        {"http://256.1.1.1/", nullptr},
        {"http://0.0.0.0/", nullptr},
        {"http://-router.lan/", nullptr},
        {"http://router..lan/", nullptr},
        {"http://192.168.0.1/a b", nullptr},
        {"http://192.168.0.1/a\\b", nullptr},
        {"http://192.168.0.1/a\r\nHost: x", nullptr},
    };
    for (const auto& c : cases) {
        RouterUrl url{};
        const bool read = parse_router_url(c.text, &url);
        EXPECT_EQ(read, c.read != nullptr) << c.text;
        if (read && c.read) {
            EXPECT_EQ(url_text(url), c.read) << c.text;
        }
    }
    RouterUrl url;
    ASSERT_TRUE(parse_router_url("http://10.77.1.1:5000/", &url));
    EXPECT_EQ(url.address, 0x0A4D0101u);
    EXPECT_EQ(url.port, 5000);
}

// Whatever the description says, its control points are on its own host and port.
TEST(RouterParsers, ControlUrlsStayOnTheDescriptionsHostAndPort) {
    RouterUrl location;
    ASSERT_TRUE(parse_router_url("http://10.77.1.1:5000/desc/root.xml", &location));
    const struct {
        const char* url_base;
        const char* reference;
        const char* resolved;  // null: refused
    } cases[] = {
        {"", "/ctl/CmnIfCfg", "http://10.77.1.1:5000/ctl/CmnIfCfg"},
        {"", "ctl/CmnIfCfg", "http://10.77.1.1:5000/desc/ctl/CmnIfCfg"},
        {"http://10.77.1.1:5000/upnp/", "control?s=1", "http://10.77.1.1:5000/upnp/control?s=1"},
        {"http://10.77.1.1:5000", "control", "http://10.77.1.1:5000/control"},
        {"http://198.51.100.7:8080/base/", "ctl", "http://10.77.1.1:5000/base/ctl"},
        {"", "http://198.51.100.7/ctl/x", "http://10.77.1.1:5000/ctl/x"},
        {"", "http://10.77.1.1:49152/ctl", "http://10.77.1.1:5000/ctl"},
        {"", "//198.51.100.7/ctl", nullptr},
        {"", "https://10.77.1.1/ctl", nullptr},
        {"", "javascript:alert(1)", nullptr},
        {"ftp://10.77.1.1/", "ctl", nullptr},
        {"", "", nullptr},
        {"", "/a b", nullptr},
    };
    for (const auto& c : cases) {
        RouterUrl resolved{};
        const bool read = resolve_control_url(location, c.url_base, c.reference, &resolved);
        EXPECT_EQ(read, c.resolved != nullptr) << c.url_base << " + " << c.reference;
        if (read && c.resolved) {
            EXPECT_EQ(url_text(resolved), c.resolved) << c.reference;
        }
    }
}

TEST(RouterParsers, TheSearchAsksForAGatewayWithinTwoSeconds) {
    char request[512];
    const std::size_t length = format_ssdp_search(request, sizeof request);
    EXPECT_EQ(std::string(request, length),
              "M-SEARCH * HTTP/1.1\r\nHOST: 239.255.255.250:1900\r\nMAN: \"ssdp:discover\"\r\nMX: 2\r\n"
              "ST: urn:schemas-upnp-org:device:InternetGatewayDevice:1\r\n\r\n");
    EXPECT_EQ(format_ssdp_search(request, length), 0u);
}

const std::string miniupnpd_answer =
    "HTTP/1.1 200 OK\r\nCACHE-CONTROL: max-age=120\r\n"
    "ST: urn:schemas-upnp-org:device:InternetGatewayDevice:1\r\n"
    "USN: uuid:3d3cec3a-8cf0-11e0-98ee-001a6b5c0001::urn:schemas-upnp-org:device:InternetGatewayDevice:1\r\n"
    "EXT:\r\nSERVER: Debian/6.18.44-fc-v1300 UPnP/1.1 MiniUPnPd/2.3.1\r\n"
    "LOCATION: http://10.77.1.1:5000/rootDesc.xml\r\nOPT: \"http://schemas.upnp.org/upnp/1/0/\"; ns=01\r\n"
    "01-NLS: 1796751187\r\nBOOTID.UPNP.ORG: 1796751187\r\nCONFIGID.UPNP.ORG: 1337\r\n\r\n";

TEST(RouterParsers, SearchAnswersAreReadStrictly) {
    const std::string location = "LOCATION: http://10.77.1.1:5000/rootDesc.xml\r\n";
    const struct {
        std::string answer;
        bool read;
    } cases[] = {
        {miniupnpd_answer, true},
        {"HTTP/1.1 200 OK\nlocation:\thttp://10.77.1.1:5000/rootDesc.xml \nst: x\n", true},
        {"HTTP/1.1 200\r\n" + location, true},
        {"HTTP/1.1 404 Not Found\r\n" + location, false},
        {"HTTP/1.1 2000 OK\r\n" + location, false},
        {"NOTIFY * HTTP/1.1\r\n" + location, false},
        {"HTTP/1.1 200 OK\r\nST: x\r\n\r\n" + location, false},  // past the headers' end
        {"HTTP/1.1 200 OK\r\n" + location + location, false},
        {"HTTP/1.1 200 OK\r\nST: a\r\nst: b\r\n" + location, false},
        {"HTTP/1.1 200 OK\r\nLOCATION:\r\n http://10.77.1.1:5000/rootDesc.xml\r\n", false},
        {"HTTP/1.1 200 OK\r\nX: 1\r\n\tfolded\r\n" + location, false},
        {"HTTP/1.1 200 OK\r\nLOCATION: http://10.77.1.1/" + std::string(250, 'a') + "\r\n", false},
        {"HTTP/1.1 200 OK\r\n" + std::string("LOCATION: http://10.77.1.1/\0x\r\n", 31), false},
        {"HTTP/1.1 200 OK\r\nLOCATION: http://10.77.1.1/\rx\r\n", false},
        {"HTTP/1.1 200 OK\r\nno colon\r\n" + location, false},
        {"HTTP/1.1 200 OK\r\n" + location + "X: " + std::string(2000, 'a') + "\r\n", false},
    };
    for (const auto& c : cases) {
        SsdpAnswer answer{};
        EXPECT_EQ(parse_ssdp_answer(c.answer.data(), c.answer.size(), &answer), c.read) << c.answer;
        if (c.read) {
            EXPECT_STREQ(answer.location, "http://10.77.1.1:5000/rootDesc.xml");
        }
    }
    SsdpAnswer answer;
    ASSERT_TRUE(parse_ssdp_answer(miniupnpd_answer.data(), miniupnpd_answer.size(), &answer));
    EXPECT_STREQ(answer.search_target, igd_device_type);
    EXPECT_STREQ(
        answer.unique_name,
        "uuid:3d3cec3a-8cf0-11e0-98ee-001a6b5c0001::urn:schemas-upnp-org:device:InternetGatewayDevice:1");
}

TEST(RouterParsers, ALocationIsFollowedOnlyToTheAnsweringAddressOnAnOwnSubnet) {
    const Ipv4Subnet own[] = {{0x0A4D0102, 24}, {0xC0A80005, 16}, {0x01020304, 0}};
    const struct {
        const char* location;
        std::uint32_t from;
        bool followed;
    } cases[] = {
        {"http://10.77.1.1:5000/rootDesc.xml", 0x0A4D0101, true},
        {"http://192.168.200.1/igd.xml", 0xC0A8C801, true},
        {"http://10.77.1.1:5000/rootDesc.xml", 0x0A4D0109, false},  // another host's LOCATION
        {"http://10.77.2.1/rootDesc.xml", 0x0A4D0201, false},       // not on the PC's subnets
        {"http://8.8.8.8/rootDesc.xml", 0x08080808, false},         // nor a prefix of 0
        {"http://router.lan/rootDesc.xml", 0x0A4D0101, false},
        {"https://10.77.1.1/rootDesc.xml", 0x0A4D0101, false},
    };
    for (const auto& c : cases) {
        RouterUrl url{};
        EXPECT_EQ(may_follow_location(c.location, c.from, own, 3, &url), c.followed) << c.location;
    }
}

// ---- SNMP

std::string hex(const std::string& bytes) {
    std::string text;
    char pair[3];
    for (unsigned char c : bytes) text += (std::snprintf(pair, sizeof pair, "%02x", c), pair);
    return text;
}

std::string unhex(const char* text) {
    std::string out;
    for (; text[0] && text[1]; text += 2)
        out += static_cast<char>(std::stoi(std::string(text, 2), nullptr, 16));
    return out;
}

std::string bytes(std::initializer_list<int> list) {
    std::string out;
    for (int b : list) out += static_cast<char>(b);
    return out;
}

const std::string if_hc_in_3 = ber(0x06, bytes({0x2b, 6, 1, 2, 1, 31, 1, 1, 1, 6, 3}));
const std::string sys_up_time = ber(0x06, bytes({0x2b, 6, 1, 2, 1, 1, 3, 0}));

std::string response(const std::string& bindings, const std::string& community = "public",
                     const std::string& version = bytes({2, 1, 1}), int pdu_tag = 0xA2,
                     const std::string& error = bytes({2, 1, 0, 2, 1, 0})) {
    return ber(0x30, version + ber(0x04, community) +
                         ber(pdu_tag, ber(0x02, bytes({0x12, 0x34})) + error + ber(0x30, bindings)));
}

std::string binding(const std::string& name, const std::string& value) {
    return ber(0x30, name + value);
}

TEST(RouterParsers, SnmpRequestsAreEncodedAsAgentsRead) {
    SnmpOid names[2] = {{{1, 3, 6, 1, 2, 1, 1, 3, 0}, 9}, {{1, 3, 6, 1, 4, 1, 8072}, 7}};
    std::uint8_t message[128];
    const std::size_t length =
        encode_snmp_request(SnmpRequest::get_next, "public", 0x00C0FFEE, names, 2, message, sizeof message);
    // The message, the PDU with its id, the bindings, each name with NULL.
    EXPECT_EQ(
        hex(std::string(reinterpret_cast<char*>(message), length)),
        "303602010104067075626c6963a129020400c0ffee020100020100301b300c06082b060102010103000500300b06072b"
        "06010401bf080500");
    EXPECT_EQ(encode_snmp_request(SnmpRequest::get, "public", 0x00C0FFEE, names, 2, message, length - 1), 0u);
    SnmpOid bad = {{1, 40}, 2};
    EXPECT_EQ(encode_snmp_request(SnmpRequest::get, "public", 1, &bad, 1, message, sizeof message), 0u);
}

TEST(RouterParsers, SnmpResponsesAreReadWithEveryLengthChecked) {
    const std::string good =
        response(binding(if_hc_in_3, ber(0x46, bytes({0x00, 0x01, 0x15, 0x8c, 0xce, 0xd8}))) +
                 binding(sys_up_time, ber(0x43, bytes({0x00, 0xff, 0xff, 0xff, 0xff}))) +
                 binding(sys_up_time, ber(0x04, "eth0")) + binding(sys_up_time, bytes({0x81, 0})) +
                 binding(sys_up_time, ber(0x02, bytes({0xff, 0x85}))));
    SnmpResponse read{};
    ASSERT_TRUE(decode_snmp_response(reinterpret_cast<const std::uint8_t*>(good.data()), good.size(),
                                     "public", &read));
    EXPECT_EQ(read.request_id, 0x1234);
    ASSERT_EQ(read.count, 5);
    EXPECT_EQ(read.bindings[0].name.length, 12);
    EXPECT_EQ(read.bindings[0].name.parts[11], 3u);
    EXPECT_EQ(read.bindings[0].value.type, SnmpType::counter64);
    EXPECT_EQ(read.bindings[0].value.number, 4656516824u);
    EXPECT_EQ(read.bindings[1].value.number, 0xFFFFFFFFu);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(read.bindings[2].value.octets),
                          read.bindings[2].value.octet_count),
              "eth0");
    EXPECT_EQ(read.bindings[3].value.type, SnmpType::no_such_instance);
    EXPECT_EQ(read.bindings[4].value.integer, -123);

    // snmpd's answer for ifHCInOctets.3, sysUpTime.0 and ifPhysAddress.3.
    const std::string snmpd = unhex(
        "305302010104067075626c6963a24602047bff58a802010002010030383010060b2b060102011f010101060346015a300e06"
        "082b"
        "06010201010300430206fd3014060a2b0601020102020106030406020000770001");
    ASSERT_TRUE(decode_snmp_response(reinterpret_cast<const std::uint8_t*>(snmpd.data()), snmpd.size(),
                                     "public", &read));
    ASSERT_EQ(read.count, 3);
    EXPECT_EQ(read.bindings[0].value.number, 90u);
    EXPECT_EQ(read.bindings[1].value.type, SnmpType::time_ticks);
    EXPECT_EQ(read.bindings[1].value.number, 1789u);
    EXPECT_EQ(hex(std::string(reinterpret_cast<char*>(read.bindings[2].value.octets),
                              read.bindings[2].value.octet_count)),
              "020000770001");

    const std::string counter = binding(if_hc_in_3, ber(0x41, bytes({0x05})));
    std::string eleven;
    for (int i = 0; i < 11; ++i) eleven += counter;
    const std::string hostile[] = {
        good + bytes({0}),                                             // past the message
        bytes({0x30, 0x80}) + good.substr(2) + bytes({0, 0}),          // indefinite length
        bytes({0x30, 0x84, 0x7f, 0xff, 0xff, 0xff}) + good.substr(2),  // past the datagram
        response(counter, "private"),                                  // another community
        response(counter, "public", bytes({2, 1, 0})),                 // version 1
        response(counter, "public", bytes({2, 1, 1}), 0xA0),           // a request, not a response
        response(counter, "public", bytes({2, 1, 1}), 0xA2, bytes({2, 1, 0, 2, 1, 2})),  // index past
        response(eleven),
        response(binding(if_hc_in_3, ber(0x02, bytes({0x01, 0, 0, 0, 0})))),  // past Integer32
        response(binding(if_hc_in_3, ber(0x41, bytes({0x80})))),              // a negative counter
        response(binding(if_hc_in_3, ber(0x41, bytes({0x01, 0, 0, 0, 0})))),  // past Counter32
        response(binding(if_hc_in_3, ber(0x46, bytes({0x01, 0, 0, 0, 0, 0, 0, 0, 0})))),  // past 64 bits
        response(binding(if_hc_in_3, ber(0x41, ""))),
        response(binding(if_hc_in_3, ber(0x05, bytes({0})))),              // NULL with content
        response(binding(if_hc_in_3, ber(0x44, bytes({1})))),              // Opaque
        response(binding(if_hc_in_3, ber(0x40, bytes({10, 0, 0})))),       // a short IpAddress
        response(binding(ber(0x06, bytes({0x2b, 0x86})), bytes({5, 0}))),  // a name cut short
        response(binding(ber(0x06, bytes({0x2b, 0x90, 0x80, 0x80, 0x80, 0x00})), bytes({5, 0}))),
        response(binding(if_hc_in_3, ber(0x04, std::string(257, 'x')))),
        response(binding(if_hc_in_3, bytes({0x41, 0x01}))),     // a value past its binding
        response(ber(0x30, if_hc_in_3 + bytes({5, 0, 5, 0}))),  // two values
    };
    for (const std::string& message : hostile) {
        EXPECT_FALSE(decode_snmp_response(reinterpret_cast<const std::uint8_t*>(message.data()),
                                          message.size(), "public", &read))
            << hex(message);
    }
    for (std::size_t cut = 0; cut < good.size(); ++cut) {
        EXPECT_FALSE(
            decode_snmp_response(reinterpret_cast<const std::uint8_t*>(good.data()), cut, "public", &read))
            << cut;
    }
}

}  // namespace
