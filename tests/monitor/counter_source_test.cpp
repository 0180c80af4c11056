#include "monitor/counter_source.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "support/scripted_counters.h"

namespace {

const char* const eth_in = "\\Network Interface(eth0)\\Bytes Received/sec";
const char* const eth_out = "\\Network Interface(eth0)\\Bytes Sent/sec";
const char* const all_in = "\\Network Interface(*)\\Bytes Received/sec";
const char* const all_out = "\\Network Interface(*)\\Bytes Sent/sec";

class CounterSourceTest : public ::testing::Test {
protected:
    void SetUp() override {
        scripted_reset();
        ASSERT_EQ(PdhOpenQueryA(nullptr, 0, &query), 0);
    }
    void TearDown() override {
        PdhCloseQuery(query);
        set_counter_backend(nullptr);
    }

    PDH_HCOUNTER add(const char* path) {
        PDH_HCOUNTER counter = nullptr;
        EXPECT_EQ(PdhAddCounterA(query, path, 0, &counter), 0) << path;
        return counter;
    }

    // The status of a read and, when it succeeds, its value.
    PDH_STATUS read(PDH_HCOUNTER counter, std::int32_t* value) {
        PDH_FMT_COUNTERVALUE result{};
        std::uint32_t type = 0;
        PDH_STATUS status = PdhGetFormattedCounterValue(counter, PDH_FMT_LONG, &type, &result);
        *value = result.longValue;
        return status;
    }

    std::int32_t value_of(PDH_HCOUNTER counter) {
        std::int32_t value = -1;
        EXPECT_EQ(read(counter, &value), 0);
        return value;
    }

    bool fails(PDH_HCOUNTER counter) {
        std::int32_t value = -1;
        return read(counter, &value) != 0;
    }

    PDH_HQUERY query = nullptr;
};

TEST_F(CounterSourceTest, FirstCollectionGivesNoValueTheSecondGivesTheRate) {
    int eth = scripted_add("eth0", true);
    PDH_HCOUNTER in = add(eth_in), out = add(eth_out);
    EXPECT_TRUE(fails(in));  // nothing collected yet
    ASSERT_EQ(PdhCollectQueryData(query), 0);
    EXPECT_TRUE(fails(in));
    EXPECT_TRUE(fails(out));
    scripted_add_counts(eth, 3000, 1500);
    scripted_advance_ms(1000);
    ASSERT_EQ(PdhCollectQueryData(query), 0);
    EXPECT_EQ(value_of(in), 3000);
    EXPECT_EQ(value_of(out), 1500);
}

TEST_F(CounterSourceTest, RateUsesTheMeasuredTimeBetweenCollections) {
    int eth = scripted_add("eth0", true);
    PDH_HCOUNTER in = add(eth_in);
    PdhCollectQueryData(query);
    // A short tick and a late one: the same bytes give different rates.
    scripted_add_counts(eth, 1000, 0);
    scripted_advance_ms(250);
    PdhCollectQueryData(query);
    EXPECT_EQ(value_of(in), 4000);
    scripted_add_counts(eth, 1000, 0);
    scripted_advance_ms(3000);
    PdhCollectQueryData(query);
    EXPECT_EQ(value_of(in), 333);
    scripted_add_counts(eth, 1, 0);
    scripted_advance_ms(2000);  // 0.5 bytes/s rounds to 1
    PdhCollectQueryData(query);
    EXPECT_EQ(value_of(in), 1);
}

TEST_F(CounterSourceTest, ZeroElapsedTimeGivesNoValue) {
    int eth = scripted_add("eth0", true);
    PDH_HCOUNTER in = add(eth_in);
    PdhCollectQueryData(query);
    scripted_add_counts(eth, 1000, 0);
    PdhCollectQueryData(query);
    EXPECT_TRUE(fails(in));
}

TEST_F(CounterSourceTest, RatesAboveThe32BitRangeAreHeldAtTheLimit) {
    int eth = scripted_add("eth0", true);
    PDH_HCOUNTER in = add(eth_in), out = add(eth_out);
    scripted_set_counts(eth, 1ull << 62, 5);  // far past any 32-bit count
    PdhCollectQueryData(query);
    // 64-bit counts never wrap: 2^40 bytes in one second, far beyond int32.
    scripted_add_counts(eth, 1ull << 40, 2147483647ull);
    scripted_advance_ms(1000);
    PdhCollectQueryData(query);
    EXPECT_EQ(value_of(in), 2147483647);
    EXPECT_EQ(value_of(out), 2147483647);
}

TEST_F(CounterSourceTest, TheLargeFormatGivesRatesAboveThe32BitRangeWhole) {
    int eth = scripted_add("eth0", true);
    PDH_HCOUNTER out = add(eth_out);
    PdhCollectQueryData(query);
    scripted_add_counts(eth, 0, 5ull << 30);
    scripted_advance_ms(1000);
    PdhCollectQueryData(query);
    PDH_FMT_COUNTERVALUE value{};
    ASSERT_EQ(PdhGetFormattedCounterValue(out, PDH_FMT_LARGE, nullptr, &value), 0);
    EXPECT_EQ(value.largeValue, INT64_C(5) << 30);
    EXPECT_EQ(value_of(out), 2147483647) << "the long format is still held at its limit";
}

TEST_F(CounterSourceTest, ACountThatGoesBackwardsOnALinkOfUnknownSpeedFailsTheReadOnce) {
    int eth = scripted_add("eth0", true);
    PDH_HCOUNTER in = add(eth_in);
    scripted_set_counts(eth, 50000, 0);
    PdhCollectQueryData(query);
    scripted_set_counts(eth, 100, 0);  // the driver restarted its counts
    scripted_advance_ms(1000);
    PdhCollectQueryData(query);
    EXPECT_TRUE(fails(in));
    scripted_add_counts(eth, 700, 0);
    scripted_advance_ms(1000);
    PdhCollectQueryData(query);
    EXPECT_EQ(value_of(in), 700);
}

// On a 1 Gbit/s link a 10 GB counter that steps back 3,000 bytes for a moment
// is a glitch: no traffic, and no spike when it comes back, just the bytes
// since the count before it. One that restarts from 0 is a reset: the bytes
// it holds.
TEST_F(CounterSourceTest, AGlitchReadsAsNoTrafficAndAResetAsTheCountSince) {
    int eth = scripted_add("eth0", true);
    scripted_set_speed(eth, 1'000'000'000);
    const std::uint64_t start = 10'000'000'000;
    scripted_set_counts(eth, start, start);
    PDH_HCOUNTER counters[] = {add(eth_in), add(eth_out), add(all_in), add(all_out)};
    PdhCollectQueryData(query);
    const struct {
        std::uint64_t received, sent;  // the counters at the next collection, a second later
        std::int32_t rate;
    } steps[] = {
        {start + 1000, start + 1000, 1000},
        {start - 2000, start - 2000, 0},  // 3,000 below the last
        {start + 2000, start + 2000, 1000},
        {700, 700, 700},  // the driver restarted its counts
        {1000, 1000, 300},
    };
    for (const auto& step : steps) {
        scripted_set_counts(eth, step.received, step.sent);
        scripted_advance_ms(1000);
        PdhCollectQueryData(query);
        for (PDH_HCOUNTER counter : counters) EXPECT_EQ(value_of(counter), step.rate) << step.received;
    }
}

TEST_F(CounterSourceTest, AVanishedInterfaceFailsUntilItIsBackForTwoCollections) {
    int eth = scripted_add("eth0", true);
    PDH_HCOUNTER in = add(eth_in);
    PdhCollectQueryData(query);
    scripted_set_present(eth, false);
    scripted_advance_ms(1000);
    PdhCollectQueryData(query);
    EXPECT_TRUE(fails(in));
    scripted_set_present(eth, true);
    scripted_add_counts(eth, 900, 0);
    scripted_advance_ms(1000);
    PdhCollectQueryData(query);
    EXPECT_TRUE(fails(in));  // missing at the collection before
    scripted_add_counts(eth, 800, 0);
    scripted_advance_ms(1000);
    PdhCollectQueryData(query);
    EXPECT_EQ(value_of(in), 800);
}

TEST_F(CounterSourceTest, ANameThatNoInterfaceBearsIsAcceptedAndReadOnceItAppears) {
    PDH_HCOUNTER in = add("\\Network Interface(USB Modem)\\Bytes Received/sec");
    PdhCollectQueryData(query);
    scripted_advance_ms(1000);
    PdhCollectQueryData(query);
    EXPECT_TRUE(fails(in));
    int modem = scripted_add("USB Modem", true);
    scripted_advance_ms(1000);
    PdhCollectQueryData(query);
    scripted_add_counts(modem, 2048, 0);
    scripted_advance_ms(1000);
    PdhCollectQueryData(query);
    EXPECT_EQ(value_of(in), 2048);
}

TEST_F(CounterSourceTest, WildcardSumsHardwareInterfacesOnly) {
    int eth = scripted_add("eth0", true);
    int wlan = scripted_add("wlan0", true);
    int lo = scripted_add("lo", false);
    int vpn = scripted_add("tun0", false);
    PDH_HCOUNTER in = add(all_in), out = add(all_out);
    PDH_HCOUNTER loopback = add("\\Network Interface(lo)\\Bytes Received/sec");
    PdhCollectQueryData(query);
    scripted_add_counts(eth, 1000, 10);
    scripted_add_counts(wlan, 200, 20);
    scripted_add_counts(lo, 50000, 50000);
    scripted_add_counts(vpn, 1000, 10);  // also carried by eth0
    scripted_advance_ms(1000);
    PdhCollectQueryData(query);
    EXPECT_EQ(value_of(in), 1200);
    EXPECT_EQ(value_of(out), 30);
    EXPECT_EQ(value_of(loopback), 50000);  // still chosen by its own name
}

TEST_F(CounterSourceTest, WildcardKeepsCountingWhileOneAdapterComesAndGoes) {
    int eth = scripted_add("eth0", true);
    int usb = scripted_add("USB Ethernet", true);
    PDH_HCOUNTER in = add(all_in);
    scripted_set_counts(usb, 1000000, 0);
    PdhCollectQueryData(query);
    scripted_set_present(usb, false);
    scripted_add_counts(eth, 500, 0);
    scripted_advance_ms(1000);
    PdhCollectQueryData(query);
    EXPECT_EQ(value_of(in), 500);  // no drop to a negative total
    scripted_set_present(usb, true);
    scripted_add_counts(eth, 400, 0);
    scripted_advance_ms(1000);
    PdhCollectQueryData(query);
    EXPECT_EQ(value_of(in), 400);  // no jump by the returning adapter's total
    scripted_add_counts(eth, 100, 0);
    scripted_add_counts(usb, 300, 0);
    scripted_advance_ms(1000);
    PdhCollectQueryData(query);
    EXPECT_EQ(value_of(in), 400);
}

TEST_F(CounterSourceTest, APlatformThatDoesNotAnswerFailsTheReads) {
    int eth = scripted_add("eth0", true);
    PDH_HCOUNTER in = add(eth_in);
    PdhCollectQueryData(query);
    scripted_set_failing(true);
    scripted_add_counts(eth, 10, 0);
    scripted_advance_ms(1000);
    EXPECT_NE(PdhCollectQueryData(query), PDH_INVALID_HANDLE);
    EXPECT_TRUE(fails(in));
}

TEST_F(CounterSourceTest, MalformedPathsAreRefused) {
    PDH_HCOUNTER counter = nullptr;
    EXPECT_NE(PdhAddCounterA(query, "\\Processor(_Total)\\% Processor Time", 0, &counter), 0);
    EXPECT_NE(PdhAddCounterA(query, "\\Network Interface(eth0)\\Packets/sec", 0, &counter), 0);
    EXPECT_NE(PdhAddCounterA(query, "\\Network Interface eth0\\Bytes Sent/sec", 0, &counter), 0);
    EXPECT_NE(PdhAddCounterA(query, "\\Network Interface)eth0(\\Bytes Sent/sec", 0, &counter), 0);
    EXPECT_NE(PdhAddCounterA(query, "", 0, &counter), 0);
    EXPECT_EQ(counter, nullptr);
    EXPECT_EQ(PdhAddCounterA(nullptr, eth_in, 0, &counter), PDH_INVALID_HANDLE);
}

TEST_F(CounterSourceTest, InstanceIsBetweenTheFirstOpeningAndTheLastClosingParenthesis) {
    int adapter = scripted_add("Adapter [A] (2)", true);  // listed as "Adapter [A] [2]"
    PDH_HCOUNTER by_listed_name = add("\\Network Interface(Adapter [A] [2])\\Bytes Received/sec");
    int odd = scripted_add("a)b", true);  // listed as "a]b"
    PDH_HCOUNTER odd_name = add("\\Network Interface(a]b)\\Bytes Received/sec");
    PdhCollectQueryData(query);
    scripted_add_counts(adapter, 10, 0);
    scripted_add_counts(odd, 20, 0);
    scripted_advance_ms(1000);
    PdhCollectQueryData(query);
    EXPECT_EQ(value_of(by_listed_name), 10);
    EXPECT_EQ(value_of(odd_name), 20);
}

TEST_F(CounterSourceTest, ReadsOfInvalidHandlesFail) {
    PDH_FMT_COUNTERVALUE value{};
    EXPECT_NE(PdhGetFormattedCounterValue(nullptr, PDH_FMT_LONG, nullptr, &value), 0);
    PDH_HCOUNTER in = add(eth_in);
    EXPECT_EQ(PdhRemoveCounter(in), 0);
    EXPECT_EQ(PdhGetFormattedCounterValue(in, PDH_FMT_LONG, nullptr, &value), PDH_INVALID_HANDLE);
    EXPECT_EQ(PdhCollectQueryData(nullptr), PDH_INVALID_HANDLE);
}

TEST_F(CounterSourceTest, CollectionOfAClosedQueryIsAnInvalidHandle) {
    PDH_HQUERY other = nullptr;
    ASSERT_EQ(PdhOpenQueryA(nullptr, 0, &other), 0);
    ASSERT_EQ(PdhCloseQuery(other), 0);
    EXPECT_EQ(PdhCollectQueryData(other), PDH_INVALID_HANDLE);
}

TEST_F(CounterSourceTest, RefreshesOnlyTheAdapterInUseWhereThatIsCheaper) {
    scripted_allow_refresh(1);
    int eth = scripted_add("eth0", true);
    scripted_add("wlan0", true);
    PDH_HCOUNTER in = add(eth_in), out = add(eth_out);
    PdhCollectQueryData(query);
    for (int tick = 0; tick < 3; ++tick) {
        scripted_add_counts(eth, 100, 10);
        scripted_advance_ms(1000);
        PdhCollectQueryData(query);
        EXPECT_EQ(value_of(in), 100);
        EXPECT_EQ(value_of(out), 10);
    }
    EXPECT_EQ(scripted_table_reads(), 1);
    EXPECT_EQ(scripted_row_refreshes(), 3);

    // Gone: the refresh fails, so the table is read and the name looked up again.
    scripted_set_present(eth, false);
    scripted_advance_ms(1000);
    PdhCollectQueryData(query);
    EXPECT_TRUE(fails(in));
    EXPECT_EQ(scripted_table_reads(), 2);
    scripted_set_present(eth, true);
    for (int tick = 0; tick < 2; ++tick) {
        scripted_add_counts(eth, 100, 10);
        scripted_advance_ms(1000);
        PdhCollectQueryData(query);
    }
    EXPECT_EQ(value_of(in), 100);
}

TEST_F(CounterSourceTest, TwoAdaptersInUseNeedTheWholeTable) {
    scripted_allow_refresh(1);
    scripted_add("eth0", true);
    scripted_add("wlan0", true);
    add(eth_in);
    add("\\Network Interface(wlan0)\\Bytes Sent/sec");
    for (int tick = 0; tick < 3; ++tick) PdhCollectQueryData(query);
    EXPECT_EQ(scripted_row_refreshes(), 0);
    EXPECT_EQ(scripted_table_reads(), 3);
}

// A switch from one refreshed adapter to all of them: the first total would
// otherwise count only the adapter refreshed before.
TEST_F(CounterSourceTest, SwitchingToTheWildcardNeverGivesAPartialTotal) {
    scripted_allow_refresh(1);
    int eth = scripted_add("eth0", true);
    int wlan = scripted_add("wlan0", true);
    PDH_HCOUNTER in = add(eth_in);
    for (int tick = 0; tick < 2; ++tick) {
        scripted_advance_ms(1000);
        PdhCollectQueryData(query);
    }
    ASSERT_EQ(scripted_row_refreshes(), 1);
    ASSERT_EQ(PdhRemoveCounter(in), 0);
    PDH_HCOUNTER all = add(all_in);
    auto tick = [&] {
        scripted_add_counts(eth, 100, 0);
        scripted_add_counts(wlan, 1000, 0);
        scripted_advance_ms(1000);
        PdhCollectQueryData(query);
    };
    tick();
    std::int32_t first = -1;
    const PDH_STATUS status = read(all, &first);
    EXPECT_TRUE(status != 0 || first == 1100) << "the first total is " << first;
    tick();
    EXPECT_EQ(value_of(all), 1100);
}

std::vector<std::string> split_paths(const char* buffer) {
    std::vector<std::string> paths;
    for (const char* path = buffer; *path; path += std::strlen(path) + 1) paths.emplace_back(path);
    return paths;
}

TEST_F(CounterSourceTest, ExpansionListsEveryInterfaceWithPerformanceCounterNames) {
    scripted_add("Intel(R) Ethernet #2", true);
    scripted_add("lo", false);
    scripted_add("VPN/Tunnel\\X", false);
    scripted_add("Intel(R) Ethernet #2", true);
    char buffer[1024] = {};
    std::uint32_t size = sizeof buffer;
    ASSERT_EQ(PdhExpandCounterPathA(all_out, buffer, &size), 0);
    EXPECT_EQ(split_paths(buffer), (std::vector<std::string>{
                                       "\\Network Interface(Intel[R] Ethernet _2)\\Bytes Sent/sec",
                                       "\\Network Interface(lo)\\Bytes Sent/sec",
                                       "\\Network Interface(VPN_Tunnel_X)\\Bytes Sent/sec",
                                       "\\Network Interface(Intel[R] Ethernet _2 _2)\\Bytes Sent/sec",
                                   }));
}

TEST_F(CounterSourceTest, ExpansionAsksForMoreRoomWithTheSizeItNeeds) {
    for (int i = 0; i < 40; ++i) {
        char name[64];
        std::snprintf(name, sizeof name, "Virtual Ethernet Adapter number %02d", i);
        scripted_add(name, false);
    }
    std::vector<char> buffer(1024, 0);
    std::uint32_t size = 1024;
    ASSERT_EQ(PdhExpandCounterPathA(all_in, buffer.data(), &size), PDH_MORE_DATA);
    // 40 paths of 19 + 34 + 20 characters and a terminator each, and the list's end.
    EXPECT_EQ(size, 40u * (19 + 34 + 20 + 1) + 1);
    buffer.assign(size + 1, 0);
    ++size;
    ASSERT_EQ(PdhExpandCounterPathA(all_in, buffer.data(), &size), 0);
    std::vector<std::string> paths = split_paths(buffer.data());
    ASSERT_EQ(paths.size(), 40u);
    EXPECT_EQ(paths[39], "\\Network Interface(Virtual Ethernet Adapter number 39)\\Bytes Received/sec");
}

TEST_F(CounterSourceTest, ExpansionWithNoInterfacesIsAnEmptyList) {
    char buffer[16];
    std::memset(buffer, 'x', sizeof buffer);
    std::uint32_t size = sizeof buffer;
    ASSERT_EQ(PdhExpandCounterPathA(all_in, buffer, &size), 0);
    EXPECT_EQ(buffer[0], 0);
}

TEST_F(CounterSourceTest, ExpansionFailsWhenThePlatformDoesNotAnswer) {
    scripted_set_failing(true);
    char buffer[64] = {};
    std::uint32_t size = sizeof buffer;
    PDH_STATUS status = PdhExpandCounterPathA(all_in, buffer, &size);
    EXPECT_NE(status, 0);
    EXPECT_NE(status, PDH_MORE_DATA);
}

// The adapter is named as the list names it: over the whole table, so a
// second adapter with the same description is the one with " _2".
TEST_F(CounterSourceTest, DefaultRouteAdapterIsNamedAsTheExpansionNamesIt) {
    const struct {
        int route;  // index into the adapters below, -1 for none
        bool present;
        const char* expected;  // nullptr: no name
    } cases[] = {
        {2, true, "Wi-Fi [5 GHz]"},    {3, true, "Intel_R Ethernet _2"},
        {1, true, "Intel_R Ethernet"}, {-1, true, nullptr},
        {2, false, nullptr},
    };
    for (const auto& entry : cases) {
        scripted_reset();
        scripted_add("Bluetooth Device", true);
        scripted_add("Intel#R Ethernet", true);
        int wifi = scripted_add("Wi-Fi (5 GHz)", true);
        scripted_add("Intel#R Ethernet", true);
        scripted_set_default_route(entry.route);
        scripted_set_present(wifi, entry.present);
        char name[64] = "unchanged";
        const bool found = default_route_instance(name, sizeof name);
        EXPECT_EQ(found, entry.expected != nullptr) << entry.route;
        if (entry.expected) {
            EXPECT_STREQ(name, entry.expected);
        }
    }
}

#ifndef _WIN32
// The kernel's default route, named as the list names it (IP Helper's has its own test).
TEST(KernelBackend, DefaultRouteAdapterIsAListedAdapterOtherThanTheLoopback) {
    set_counter_backend(nullptr);
    char name[512] = {};
    if (!default_route_instance(name, sizeof name)) GTEST_SKIP() << "this host has no default route";
    std::vector<char> paths(65536, 0);
    std::uint32_t size = static_cast<std::uint32_t>(paths.size());
    ASSERT_EQ(PdhExpandCounterPathA(all_in, paths.data(), &size), 0);
    bool listed = false;
    for (const char* path = paths.data(); *path; path += std::strlen(path) + 1)
        listed |= std::string(path) == "\\Network Interface(" + std::string(name) + ")\\Bytes Received/sec";
    EXPECT_TRUE(listed) << name;
    EXPECT_STRNE(name, "lo");
}
#endif

TEST(InstanceNames, FollowPerformanceCounterSpelling) {
    char name[32];
    make_instance_name("Realtek PCIe GbE (#2) a/b\\c", name, sizeof name);
    EXPECT_STREQ(name, "Realtek PCIe GbE [_2] a_b_c");
    make_instance_name("a very long adapter description", name, 8);
    EXPECT_STREQ(name, "a very ");
}

}  // namespace

namespace {

// Opened while globals are constructed, as the program's traffic graph is:
// whatever order the files' initialisers run in, the query must stay known.
PDH_HQUERY early_query = [] {
    PDH_HQUERY query = nullptr;
    PdhOpenQueryA(nullptr, 0, &query);
    return query;
}();

TEST(CounterSourceStartUp, AQueryOpenedBeforeMainStaysValid) {
    scripted_reset();
    ASSERT_NE(early_query, nullptr);
    EXPECT_NE(PdhCollectQueryData(early_query), PDH_INVALID_HANDLE);
    EXPECT_EQ(PdhCloseQuery(early_query), 0);
    set_counter_backend(nullptr);
}

}  // namespace
