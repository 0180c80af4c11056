// The real IP Helper backend: the host's interfaces, and a loopback rate
// measured while this test pushes a known number of bytes through it.
// IP Helper's headers need winsock2 first.
// clang-format off
#include <winsock2.h>
#include <ws2ipdef.h>
#include <iphlpapi.h>
#include <netioapi.h>
#include <windows.h>
// clang-format on

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "monitor/counter_backend_win.h"
#include "monitor/counter_source.h"

namespace {

std::string loopback_instance_name() {
    MIB_IF_TABLE2* table = nullptr;
    if (GetIfTable2(&table) != NO_ERROR) return "";
    std::string name;
    for (ULONG i = 0; i < table->NumEntries; ++i) {
        if (table->Table[i].Type != IF_TYPE_SOFTWARE_LOOPBACK) continue;
        char description[256] = {};
        WideCharToMultiByte(CP_ACP, 0, table->Table[i].Description, -1, description, sizeof description - 1,
                            nullptr, nullptr);
        char instance[256];
        make_instance_name(description, instance, sizeof instance);
        name = instance;
        break;
    }
    FreeMibTable(table);
    return name;
}

std::vector<std::string> expand(const char* path) {
    std::uint32_t size = 0;
    std::vector<char> buffer(1);
    if (PdhExpandCounterPathA(path, buffer.data(), &size) == PDH_MORE_DATA) buffer.assign(size, 0);
    if (PdhExpandCounterPathA(path, buffer.data(), &size) != 0) return {};
    std::vector<std::string> paths;
    for (const char* p = buffer.data(); *p; p += std::strlen(p) + 1) paths.emplace_back(p);
    return paths;
}

// Sends `total` bytes from one loopback socket to another; gives the bytes received.
long long push_through_loopback(long long total) {
    SOCKET listener = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    int length = sizeof address;
    bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address);
    listen(listener, 1);
    getsockname(listener, reinterpret_cast<sockaddr*>(&address), &length);
    SOCKET sender = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    if (connect(sender, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) return -1;
    SOCKET receiver = accept(listener, nullptr, nullptr);
    std::vector<char> chunk(32768, 'm');
    long long received = 0;
    for (long long sent = 0; sent < total;) {
        int n = send(sender, chunk.data(), static_cast<int>(chunk.size()), 0);
        if (n <= 0) break;
        sent += n;
        while (received < sent) {
            int got = recv(receiver, chunk.data(), static_cast<int>(chunk.size()), 0);
            if (got <= 0) return received;
            received += got;
        }
    }
    closesocket(sender);
    closesocket(receiver);
    closesocket(listener);
    return received;
}

class IpHelperBackend : public ::testing::Test {
protected:
    void SetUp() override {
        WSADATA data;
        ASSERT_EQ(WSAStartup(MAKEWORD(2, 2), &data), 0);
        set_counter_backend(nullptr);
    }
    void TearDown() override { WSACleanup(); }
};

TEST_F(IpHelperBackend, ListsTheHostsInterfacesLoopbackIncluded) {
    const std::string loopback = loopback_instance_name();
    ASSERT_FALSE(loopback.empty());
    std::vector<std::string> paths = expand("\\Network Interface(*)\\Bytes Received/sec");
    ASSERT_FALSE(paths.empty());
    const std::string expected = "\\Network Interface(" + loopback + ")\\Bytes Received/sec";
    EXPECT_NE(std::find(paths.begin(), paths.end(), expected), paths.end());
}

TEST_F(IpHelperBackend, LoopbackRateFollowsTheBytesPushedWhileTheTotalLeavesItOut) {
    const std::string loopback = loopback_instance_name();
    ASSERT_FALSE(loopback.empty());
    PDH_HQUERY query = nullptr;
    ASSERT_EQ(PdhOpenQueryA(nullptr, 0, &query), 0);
    PDH_HCOUNTER lo_in = nullptr, lo_out = nullptr, all_in = nullptr;
    ASSERT_EQ(PdhAddCounterA(query, ("\\Network Interface(" + loopback + ")\\Bytes Received/sec").c_str(), 0,
                             &lo_in),
              0);
    ASSERT_EQ(
        PdhAddCounterA(query, ("\\Network Interface(" + loopback + ")\\Bytes Sent/sec").c_str(), 0, &lo_out),
        0);
    ASSERT_EQ(PdhAddCounterA(query, "\\Network Interface(*)\\Bytes Received/sec", 0, &all_in), 0);

    // The two readings' own times lie between the outer marks and around the
    // inner ones: the rate is bounded by the bytes over each span, however
    // long the test was held up between a mark and a reading.
    LARGE_INTEGER frequency, outer_start, start, end, outer_end;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&outer_start);
    ASSERT_EQ(PdhCollectQueryData(query), 0);
    QueryPerformanceCounter(&start);
    const long long pushed = push_through_loopback(8 << 20);
    Sleep(200);
    QueryPerformanceCounter(&end);
    ASSERT_EQ(PdhCollectQueryData(query), 0);
    QueryPerformanceCounter(&outer_end);
    const auto seconds = [&](LARGE_INTEGER from, LARGE_INTEGER to) {
        return static_cast<double>(to.QuadPart - from.QuadPart) / frequency.QuadPart;
    };
    const double least = pushed / seconds(outer_start, outer_end), most = pushed / seconds(start, end);
    ASSERT_EQ(pushed, 8 << 20);

    PDH_FMT_COUNTERVALUE value{};
    ASSERT_EQ(PdhGetFormattedCounterValue(lo_in, PDH_FMT_LONG, nullptr, &value), 0);
    EXPECT_GT(value.longValue, least * 0.9);
    EXPECT_LT(value.longValue, most * 1.6);  // headers, and whatever else the host sends
    ASSERT_EQ(PdhGetFormattedCounterValue(lo_out, PDH_FMT_LONG, nullptr, &value), 0);
    EXPECT_GT(value.longValue, least * 0.9);
    ASSERT_EQ(PdhGetFormattedCounterValue(all_in, PDH_FMT_LONG, nullptr, &value), 0);
    EXPECT_LT(value.longValue, least * 0.5);

    // Later collections refresh the adapters in use and still measure.
    for (int i = 0; i < 2; ++i) {
        QueryPerformanceCounter(&start);
        push_through_loopback(2 << 20);
        Sleep(100);
        ASSERT_EQ(PdhCollectQueryData(query), 0);
    }
    ASSERT_EQ(PdhGetFormattedCounterValue(lo_in, PDH_FMT_LONG, nullptr, &value), 0);
    EXPECT_GT(value.longValue, 0);
    PdhCloseQuery(query);
}

// The route table's adapter towards the internet, spelt as the list spells it.
TEST_F(IpHelperBackend, DefaultRouteAdapterIsAListedAdapterOtherThanTheLoopback) {
    char name[512] = {};
    if (!default_route_instance(name, sizeof name)) GTEST_SKIP() << "this host has no default route";
    const std::vector<std::string> paths = expand("\\Network Interface(*)\\Bytes Sent/sec");
    const std::string path = "\\Network Interface(" + std::string(name) + ")\\Bytes Sent/sec";
    EXPECT_NE(std::find(paths.begin(), paths.end(), path), paths.end()) << name;
    EXPECT_NE(name, loopback_instance_name());
}

// A description longer than a row holds used to convert to nothing at all, so
// long-named adapters became "", " _2"...; now each keeps as much as fits.
TEST(AdapterDescription, IsCutToWholeCharactersThatFit) {
    CPINFO code_page{};
    ASSERT_TRUE(GetCPInfo(CP_ACP, &code_page));
    const std::size_t widest = code_page.MaxCharSize;
    const struct {
        std::wstring description;
        std::string expected;  // empty: only its length is known in every code page
    } cases[] = {
        {L"eth0", "eth0"},
        {std::wstring(255, L'A'), std::string(255, 'A')},
        {std::wstring(256, L'B'), std::string(255, 'B')},
        {L"Wireless " + std::wstring(300, L'\u00E9'), ""},
        {std::wstring(300, L'\u4E2D'), ""},
    };
    for (const auto& entry : cases) {
        char text[256];
        std::memset(text, 'x', sizeof text);
        adapter_description(entry.description.c_str(), static_cast<int>(entry.description.size()), text);
        const std::size_t length = strnlen(text, sizeof text);
        ASSERT_LT(length, sizeof text);
        if (!entry.expected.empty())
            EXPECT_EQ(text, entry.expected);
        else
            EXPECT_GT(length + widest, 255u) << "room for another character was left";
    }
}

}  // namespace
