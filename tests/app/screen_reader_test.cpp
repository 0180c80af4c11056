// The Main window as a screen reader finds it through Active Accessibility.
#include <gtest/gtest.h>

#include <cstdint>

#include "app/app.h"
#include "app/main_window_fixture.h"
#include "monitor/traffic_graph.h"
#include "support/msaa.h"
#include "support/scripted_counters.h"

namespace {

using GraphForScreenReaders = MainWindowTest;

// Named, and valued by the rates the labels show when the reader asks, tick
// after tick; an object a reader still holds when the window goes says so.
TEST_F(GraphForScreenReaders, NamesItselfAndReadsTheRatesWhenAsked) {
    ASSERT_TRUE(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)));
    write_settings(settings_lines({{"graph.delay", "60000"}, {"app.starts", "3"}}));
    ASSERT_NE(open_window(), nullptr);
    const int eth = scripted_add("eth0", true);
    select_download_interface(traffic_graph, "eth0");
    select_upload_interface(traffic_graph, "eth0");
    IAccessible* graph = client_object(window);
    ASSERT_NE(graph, nullptr);
    EXPECT_EQ(accessible_text(graph, &IAccessible::get_accName), "mivrel");
    const struct {
        std::uint64_t received, sent;
        const char* value;
    } ticks[] = {{0, 0, "Down: 0.0 bytes/s, Up: 0.0 bytes/s"},  // the first two readings count nothing
                 {0, 0, "Down: 0.0 bytes/s, Up: 0.0 bytes/s"},
                 {1229, 300, "Down: 1.2 kB/s, Up: 300.0 bytes/s"},
                 {3 << 20, 0, "Down: 3.0 mB/s, Up: 0.0 bytes/s"}};
    for (const auto& t : ticks) {
        scripted_add_counts(eth, t.received, t.sent);
        scripted_advance_ms(1000);
        SendMessageA(window, WM_TIMER, sample_timer_id, 0);
        EXPECT_EQ(accessible_text(graph, &IAccessible::get_accValue), t.value);
    }
    close_window();
    BSTR value = nullptr;
    EXPECT_EQ(graph->get_accValue(child_id(CHILDID_SELF), &value), CO_E_OBJNOTCONNECTED);
    graph->Release();
    CoUninitialize();
}

}  // namespace
