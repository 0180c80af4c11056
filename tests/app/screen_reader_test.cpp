// The Main window as a screen reader finds it through Active Accessibility.
#include <windows.h>

#include <oleacc.h>

#include <gtest/gtest.h>

#include <string>

#include "app/main_window_fixture.h"
#include "monitor/traffic_graph.h"
#include "support/scripted_counters.h"

namespace {

class GraphForScreenReaders : public MainWindowTest {
protected:
    void SetUp() override {
        MainWindowTest::SetUp();
        ASSERT_TRUE(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)));
        write_settings(settings_lines({{"graph.delay", "60000"}, {"app.starts", "3"}}));
        ASSERT_NE(open_window(), nullptr);
        eth = scripted_add("eth0", true);
        select_download_interface(traffic_graph, "eth0");
        select_upload_interface(traffic_graph, "eth0");
    }
    void TearDown() override {
        MainWindowTest::TearDown();
        CoUninitialize();
    }
    void tick(std::uint64_t received, std::uint64_t sent) {
        scripted_add_counts(eth, received, sent);
        scripted_advance_ms(1000);
        SendMessageA(window, WM_TIMER, 131, 0);
    }
    int eth = 0;
};

std::wstring text(HRESULT (STDMETHODCALLTYPE IAccessible::*property)(VARIANT, BSTR*), IAccessible* object,
                  HRESULT* result = nullptr) {
    VARIANT self{};
    self.vt = VT_I4;
    self.lVal = CHILDID_SELF;
    BSTR got = nullptr;
    const HRESULT answer = (object->*property)(self, &got);
    if (result) *result = answer;
    std::wstring copy = got ? got : L"";
    SysFreeString(got);
    return copy;
}

// Its value is what the labels show when the reader asks, tick after tick;
// an object a reader still holds when the window goes says so from then on.
TEST_F(GraphForScreenReaders, NamesItselfAndReadsTheRatesWhenAsked) {
    IAccessible* graph = nullptr;
    ASSERT_EQ(AccessibleObjectFromWindow(window, OBJID_CLIENT, __uuidof(IAccessible),
                                         reinterpret_cast<void**>(&graph)),
              S_OK);
    EXPECT_EQ(text(&IAccessible::get_accName, graph), L"mivrel");
    tick(0, 0);  // the first two readings count nothing
    const struct {
        std::uint64_t received, sent;
        const wchar_t* value;
    } ticks[] = {{0, 0, L"Down: 0.0 bytes/s, Up: 0.0 bytes/s"},
                 {1229, 300, L"Down: 1.2 kB/s, Up: 300.0 bytes/s"},
                 {3 << 20, 0, L"Down: 3.0 mB/s, Up: 0.0 bytes/s"}};
    for (const auto& t : ticks) {
        tick(t.received, t.sent);
        EXPECT_EQ(text(&IAccessible::get_accValue, graph), t.value);
    }
    close_window();
    HRESULT gone = S_OK;
    EXPECT_EQ(text(&IAccessible::get_accValue, graph, &gone), L"");
    EXPECT_EQ(gone, CO_E_OBJNOTCONNECTED);
    graph->Release();
}

}  // namespace
