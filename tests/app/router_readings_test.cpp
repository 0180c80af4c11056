// The router's readings posted to a real Main window, as its poll thread
// posts them: counted under the router's name, planned and listed like an
// adapter, and what a router chosen by its address alone tells kept.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "app/app.h"
#include "app/main_window_fixture.h"
#include "app/notification_icon.h"
#include "app/router_readings.h"
#include "monitor/clock.h"
#include "monitor/router_poll.h"
#include "monitor/router_reading.h"
#include "monitor/usage_history.h"
#include "settings/save_worker.h"
#include "support/message_pump.h"

namespace {

using RouterReadings = MainWindowTest;

constexpr char name[] = "Router: test router";

void post_reading(HWND window, std::int64_t at_s, const char* identity, std::uint64_t received,
                  std::uint64_t sent, const char* location = "http://10.77.1.1:5000/rootDesc.xml") {
    auto* reading = new RouterReading{};
    std::snprintf(reading->location, sizeof reading->location, "%s", location);
    reading->taken_ns = at_s * 1'000'000'000;
    std::snprintf(reading->identity, sizeof reading->identity, "%s", identity);
    std::snprintf(reading->friendly_name, sizeof reading->friendly_name, "test router");
    reading->received = received;
    reading->sent = sent;
    reading->link_down_bps = reading->link_up_bps = 100'000'000;
    ASSERT_TRUE(PostMessageA(window, router_answer_message, static_cast<WPARAM>(RouterAnswer::reading),
                             reinterpret_cast<LPARAM>(reading)));
    pump_messages(50);
}

TEST_F(RouterReadings, AreCountedPlannedAndListedAndARouterGivenByAddressIsKeptWhole) {
    write_settings(settings_lines({{"graph.delay", "60000"},
                                   {"app.starts", "3"},
                                   {"plan.limit_mb", "1000"},
                                   {"plan.interface", name},
                                   {"router.source", "upnp"},
                                   {"router.location", "http://10.77.1.1:5000/rootDesc.xml"}}));
    ASSERT_NE(open_window(), nullptr);
    EXPECT_EQ(asked_router_polls.polled, std::vector<std::string>{"upnp http://10.77.1.1:5000/rootDesc.xml"})
        << "polled from the start";
    const char identity[] = "uuid:3d3c urn:upnp-org:serviceId:WANCommonIFC1";
    post_reading(window, 100, identity, 5'000'000'000, 1'000);
    wait_for_saves(monotonic_ns() + 10'000'000'000);
    const std::string saved = read_settings();
    EXPECT_NE(saved.find(std::string("router.identity\t") + identity + "\n"), std::string::npos) << saved;
    EXPECT_NE(saved.find(std::string("router.name\t") + name + "\n"), std::string::npos) << saved;
    ASSERT_GE(usage_adapter_count(), 1) << "listed before its first day";
    EXPECT_STREQ(usage_adapter_name(usage_adapter_count() - 1), name);

    post_reading(window, 110, identity, 5'100'000'000, 100'001'000);
    post_reading(window, 120, "uuid:another", 9'000'000'000'000, 0);
    post_reading(window, 130, identity, 5'400'000'000, 200'001'000);  // 300 MB in 20 s at 100 Mbit/s
    EXPECT_EQ(asked_router_polls.identity_checks, 1);
    const DayNumber today = local_today();
    EXPECT_EQ(usage_between(name, today, today).received, 100'000'000u);
    EXPECT_EQ(usage_between(name, today, today).sent, 100'000'000u);
    EXPECT_EQ(usage_between("*", today, today).received, 0u) << "no hardware's traffic";

    // The tooltip's lines stay as they were, the plan's now the router's.
    SendMessageA(window, WM_TIMER, sample_timer_id, 0);
    SendMessageA(window, show_changes_message, 0, 0);
    const std::string tip = notify_icon_data.szTip;
    EXPECT_EQ(std::count(tip.begin(), tip.end(), '\n'), 4) << tip;
    EXPECT_NE(tip.find("\nPlan:  0.2 of 1.0 GB, "), std::string::npos) << tip;

    // Silent at its address and found again by its UDN: the settings follow it there.
    post_reading(window, 140, identity, 5'400'000'000, 200'001'000, "http://10.77.1.9:5000/rootDesc.xml");
    wait_for_saves(monotonic_ns() + 10'000'000'000);
    EXPECT_NE(read_settings().find("router.location\thttp://10.77.1.9:5000/rootDesc.xml\n"),
              std::string::npos);
}

}  // namespace
