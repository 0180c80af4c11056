// The router's reader against peers of the test's own on the loopback: the
// bounds of an HTTP exchange, SNMP answers taken only from the agent and for
// the request, an interface found again by its hardware address, and the
// router's threads from a search to a stop while a router hangs.
// Winsock 2 first: the headers after it bring the rest of Windows'.
#include <winsock2.h>

#include <gtest/gtest.h>

#include <atomic>
#include <cstdio>
#include <memory>
#include <string>

#include "monitor/clock.h"
#include "monitor/router_http.h"
#include "monitor/router_poll.h"
#include "support/loopback_peers.h"
#include "support/snmp_agent.h"
#include "support/upnp_documents.h"

namespace {

double seconds_since(std::int64_t start_ns) {
    return static_cast<double>(monotonic_ns() - start_ns) / 1e9;
}

RouterUrl loopback_url(std::uint16_t port, const char* path) {
    char text[router_text_size];
    std::snprintf(text, sizeof text, "http://127.0.0.1:%u%s", static_cast<unsigned>(port), path);
    RouterUrl url{};
    parse_router_url(text, &url);
    return url;
}

TEST(RouterNetwork, HttpExchangesEndInTimeStopAtTheirSizeAndFollowNoRedirectNorProxy) {
    HttpPeer proxy([](const std::string&) { return http_answer(200, "<root/>"); });
    SetEnvironmentVariableA("http_proxy", ("http://127.0.0.1:" + std::to_string(proxy.port())).c_str());
    HttpPeer peer([](const std::string& request) -> std::string {
        // Every phase has its byte in time; the whole never comes.
        if (request.find(" /trickle ") != std::string::npos)
            return trickle_mark + http_answer(200, std::string(100, ' '));
        if (request.find(" /moved ") != std::string::npos)
            return http_answer(302, "", "Location: /desc.xml\r\n");
        const std::size_t size = request.find(" /past ") != std::string::npos ? 64 * 1024 + 1 : 64 * 1024;
        return http_answer(200, std::string(size, ' '));
    });
    const struct {
        const char* path;
        HttpResult result;
        int status;
        std::size_t size;
    } cases[] = {
        {"/moved", HttpResult::answered, 302, 0},
        {"/past", HttpResult::too_large, 200, 64 * 1024},
        {"/full", HttpResult::answered, 200, 64 * 1024},
        {"/trickle", HttpResult::silent, 0, 0},
    };
    auto buffer = std::make_unique<char[]>(64 * 1024);
    for (const auto& c : cases) {
        const RouterUrl url = loopback_url(peer.port(), c.path);
        HttpExchange exchange{&url, nullptr, nullptr, buffer.get(), 64 * 1024, 0, 0};
        const std::int64_t start_ns = monotonic_ns();
        EXPECT_EQ(http_exchange(&exchange, nullptr), c.result) << c.path;
        EXPECT_LT(seconds_since(start_ns), 4.5) << c.path;
        EXPECT_EQ(exchange.status, c.status) << c.path;
        EXPECT_EQ(exchange.answer_size, c.size) << c.path;
    }
    SetEnvironmentVariableA("http_proxy", nullptr);
    for (const std::string& request : peer.requests())
        EXPECT_EQ(request.find("/desc.xml"), std::string::npos);
    EXPECT_TRUE(proxy.requests().empty());
}

std::vector<std::uint32_t> column(std::vector<std::uint32_t> table, std::uint32_t column,
                                  std::uint32_t index) {
    table.push_back(column);
    table.push_back(index);
    return table;
}
const std::vector<std::uint32_t> if_table = {1, 3, 6, 1, 2, 1, 2, 2, 1};
const std::vector<std::uint32_t> if_x_table = {1, 3, 6, 1, 2, 1, 31, 1, 1, 1};

// A router whose WAN interface, rtr-wan, came back as ifIndex 7 after a
// restart; ifIndex 3 is now its LAN, a VLAN of the same port (the same
// address), with 32-bit counters only.
Mib restarted_router() {
    Mib mib;
    const struct {
        std::uint32_t index;
        const char* name;
        std::string phys;
    } rows[] = {{1, "lo", ""},
                {3, "rtr-lan", std::string("\x02\0\0\x77\0\x01", 6)},
                {7, "rtr-wan", std::string("\x02\0\0\x77\0\x01", 6)}};
    for (const auto& row : rows) {
        mib[column(if_table, 2, row.index)] = ber(0x04, row.name);
        mib[column(if_table, 6, row.index)] = ber(0x04, row.phys);
        mib[column(if_x_table, 1, row.index)] = ber(0x04, row.name);
        mib[column(if_table, 10, row.index)] = ber_unsigned(0x41, 1000 + row.index);
        mib[column(if_table, 16, row.index)] = ber_unsigned(0x41, 2000 + row.index);
    }
    mib[column(if_x_table, 6, 7)] = ber_unsigned(0x46, 5'000'000'000);
    mib[column(if_x_table, 10, 7)] = ber_unsigned(0x46, 1234);
    mib[column(if_x_table, 15, 7)] = ber_unsigned(0x42, 10'000);
    mib[{1, 3, 6, 1, 2, 1, 1, 3, 0}] = ber_unsigned(0x43, 1789);
    return mib;
}

TEST(RouterNetwork, SnmpAnswersComeFromTheAgentForTheRequestAndFollowTheWanInterface) {
    const Mib mib = restarted_router();
    // Before each true answer: the same answer from another host, and one to another request.
    UdpPeer peer([&mib](const std::string& datagram) -> UdpPeer::Answers {
        const auto forged = [&](int id_shift) {
            std::string answer = agent_answer(mib, "public", datagram, id_shift);
            const std::size_t counter = answer.find(ber_unsigned(0x46, 5'000'000'000));
            if (counter != std::string::npos) answer.replace(counter, 7, ber_unsigned(0x46, 6'000'000'000));
            return answer;
        };
        return {{true, forged(0)}, {false, forged(1)}, {false, agent_answer(mib, "public", datagram)}};
    });
    const SnmpAgent agent{0x7F000001, peer.port(), "public"};
    std::int32_t index = 3;
    RouterReading reading{};
    ASSERT_EQ(read_snmp_counters(agent, "127.0.0.1", "02:00:00:77:00:01", "rtr-wan", &index, &reading, nullptr),
              RouterProblem::none);
    EXPECT_EQ(index, 7);
    EXPECT_EQ(reading.received, 5'000'000'000u);
    EXPECT_EQ(reading.sent, 1234u);
    EXPECT_TRUE(reading.wide_counters);
    EXPECT_EQ(reading.uptime_cs, 1789u);
    EXPECT_EQ(reading.link_down_bps, 10'000'000'000u);
    EXPECT_STREQ(reading.identity, "127.0.0.1 02:00:00:77:00:01");
    EXPECT_STREQ(reading.friendly_name, "rtr-wan");
    EXPECT_EQ(read_snmp_counters(agent, "127.0.0.1", "02:00:00:77:00:42", "", &index, &reading, nullptr),
              RouterProblem::other_router);

    SnmpInterfaceList list{};
    ASSERT_EQ(walk_snmp_interfaces(agent, &list, nullptr), RouterProblem::none);
    ASSERT_EQ(list.count, 3);
    EXPECT_STREQ(list.interfaces[1].description, "rtr-lan");
    EXPECT_FALSE(list.interfaces[1].wide_counters);
    EXPECT_EQ(list.interfaces[1].received, 1003u);
    EXPECT_STREQ(list.interfaces[2].phys_address, "02:00:00:77:00:01");
    EXPECT_TRUE(list.interfaces[2].wide_counters);

    // An agent drops a wrong community without a word.
    const SnmpAgent wrong{0x7F000001, peer.port(), "private"};
    const std::int64_t start_ns = monotonic_ns();
    EXPECT_EQ(walk_snmp_interfaces(wrong, &list, nullptr), RouterProblem::community_refused);
    EXPECT_LT(seconds_since(start_ns), 4.5);
}

constexpr UINT answer_message = WM_APP + 7;

// The next record of `kind` the router's threads post, within `seconds`.
template <typename Record>
std::unique_ptr<Record> next_answer(HWND window, RouterAnswer kind, double seconds) {
    const std::int64_t start_ns = monotonic_ns();
    MSG message;
    while (seconds_since(start_ns) < seconds) {
        if (!PeekMessageW(&message, window, answer_message, answer_message, PM_REMOVE)) {
            Sleep(10);
            continue;
        }
        if (message.wParam == static_cast<WPARAM>(kind))
            return std::unique_ptr<Record>(reinterpret_cast<Record*>(message.lParam));
        if (message.wParam == static_cast<WPARAM>(RouterAnswer::reading))
            delete reinterpret_cast<RouterReading*>(message.lParam);
    }
    return nullptr;
}

std::string soap_value(const std::string& request) {
    const struct {
        const char* action;
        const char* values;
    } answers[] = {
        {"#GetTotalBytesReceived", "<NewTotalBytesReceived>5000000000</NewTotalBytesReceived>"},
        {"#GetTotalBytesSent", "<NewTotalBytesSent>1234</NewTotalBytesSent>"},
        {"#GetCommonLinkProperties",
         "<NewLayer1UpstreamMaxBitRate>1410065408</NewLayer1UpstreamMaxBitRate>"
         "<NewLayer1DownstreamMaxBitRate>1410065408</NewLayer1DownstreamMaxBitRate>"},
    };
    for (const auto& answer : answers) {
        if (request.find(answer.action) != std::string::npos)
            return http_answer(200, soap_answer(answer.action + 1, answer.values));
    }
    return http_answer(200, soap_answer("GetStatusInfo", "<NewUptime>77</NewUptime>",
                                        "urn:schemas-upnp-org:service:WANIPConnection:2"));
}

// The loopback stands for the PC's network.
int loopback_subnet(Ipv4Subnet (&subnets)[own_subnets_max]) {
    subnets[0] = Ipv4Subnet{0x7F000001, 8};
    return 1;
}

TEST(RouterNetwork, TheRoutersThreadsFindPollAndFollowTheRouterAndStopWhileItHangs) {
    std::atomic<bool> hanging{false};
    HttpPeer router([&hanging](const std::string& request) -> std::string {
        if (request.rfind("POST ", 0) == 0) return soap_value(request);
        return hanging ? "" : http_answer(200, igd(wan_device(1)));
    });
    const std::string location = "http://127.0.0.1:" + std::to_string(router.port()) + "/rootDesc.xml";
    UdpPeer search_answers([&](const std::string&) -> UdpPeer::Answers {
        return {{false, "HTTP/1.1 200 OK\r\nST: " + std::string(igd_device_type) +
                            "\r\nLOCATION: " + location + "\r\n\r\n"}};
    });
    const OwnSubnetsReader own_subnets = read_own_subnets;
    const SsdpDestination destination = ssdp_destination;
    ssdp_destination = {0x7F000001, search_answers.port()};
    HWND window = CreateWindowExW(0, L"STATIC", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
    set_router_window(window, answer_message);
    const char identity[] = "uuid:wan-1 urn:upnp-org:serviceId:WANCommonIFC1";

    // An answer from off the PC's networks is not followed.
    read_own_subnets = [](Ipv4Subnet(&subnets)[own_subnets_max]) {
        subnets[0] = Ipv4Subnet{0x0A000001, 8};
        return 1;
    };
    request_router_search();
    auto search = next_answer<RouterSearch>(window, RouterAnswer::search, 15);
    ASSERT_TRUE(search);
    EXPECT_EQ(search->problem, RouterProblem::nothing_answered);
    EXPECT_TRUE(router.requests().empty());

    read_own_subnets = loopback_subnet;
    request_router_search();
    search = next_answer<RouterSearch>(window, RouterAnswer::search, 15);
    ASSERT_TRUE(search);
    ASSERT_EQ(search->count, 1);
    EXPECT_STREQ(search->routers[0].identity, identity);
    EXPECT_STREQ(search->routers[0].friendly_name, "test router");
    EXPECT_STREQ(search->routers[0].location, location.c_str());
    EXPECT_EQ(search->routers[0].received, 5'000'000'000u);

    RouterChoice choice{};
    choice.source = RouterSource::upnp;
    std::snprintf(choice.location, sizeof choice.location, "%s", location.c_str());
    std::snprintf(choice.identity, sizeof choice.identity, "uuid:wan-2 urn:upnp-org:serviceId:WANCommonIFC1");
    poll_router(choice);
    auto reading = next_answer<RouterReading>(window, RouterAnswer::reading, 15);
    ASSERT_TRUE(reading);
    EXPECT_EQ(reading->problem, RouterProblem::other_router);
    EXPECT_STREQ(reading->identity, identity);

    // Gone from its address: found again by its UDN, at the address it answers from now.
    const std::uint16_t gone_port = HttpPeer([](const std::string&) { return std::string(); }).port();
    format_router_url(loopback_url(gone_port, "/rootDesc.xml"), choice.location);
    std::snprintf(choice.identity, sizeof choice.identity, "%s", identity);
    poll_router(choice);
    reading = next_answer<RouterReading>(window, RouterAnswer::reading, 20);
    ASSERT_TRUE(reading);
    EXPECT_EQ(reading->problem, RouterProblem::none);
    EXPECT_STREQ(reading->location, location.c_str());
    EXPECT_EQ(reading->received, 5'000'000'000u);
    EXPECT_TRUE(reading->wide_counters);
    EXPECT_EQ(reading->uptime_cs, 7700u);
    EXPECT_EQ(reading->link_down_bps, 1'410'065'408u);
    EXPECT_TRUE(reading->identity_checked);

    // A router that takes the connection and never answers holds nothing up.
    hanging = true;
    check_router_identity();
    Sleep(300);
    const std::int64_t start_ns = monotonic_ns();
    EXPECT_TRUE(stop_router_poll(start_ns + 1'000'000'000));
    EXPECT_LT(seconds_since(start_ns), 1.0);
    for (const std::string& request : router.requests())
        EXPECT_EQ(request.find("/other.xml"), std::string::npos);
    DestroyWindow(window);
    read_own_subnets = own_subnets;
    ssdp_destination = destination;
}

}  // namespace
