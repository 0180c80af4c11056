// The Router dialog driven as a user would, its requests written down and
// answered with records made as the router's threads make them, sent through
// the Main window's own handler: nothing reaches a network.
#include <windows.h>

#include <commctrl.h>

#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "app/app.h"
#include "app/router_readings.h"
#include "app/window_dpi.h"
#include "dialog_driver.h"
#include "dialog_fixture.h"
#include "dialogs/router_dialog.h"
#include "monitor/router_count.h"
#include "monitor/router_poll.h"
#include "monitor/router_words.h"
#include "resources/resource.h"
#include "support/msaa.h"

namespace {

std::vector<std::string> asked;  // requests and polls, in turn

template <std::size_t size>
void put(char (&to)[size], const char* text) {
    std::snprintf(to, size, "%s", text);
}

FoundRouter found(const char* name, const char* udn, RouterProblem problem, const char* detail = "") {
    FoundRouter router{};
    put(router.location, "http://127.0.0.1:5000/rootDesc.xml");
    put(router.service_id, "urn:upnp-org:serviceId:WANCommonIFC1");
    std::snprintf(router.identity, sizeof router.identity, "%s %s", udn, router.service_id);
    put(router.friendly_name, name);
    put(router.address, "127.0.0.1");
    router.problem = problem;
    put(router.detail, detail);
    router.received = 5'000'000'000;
    return router;
}

void answer(RouterAnswer kind, void* record) {
    SendMessageA(main_window, router_answer_message, static_cast<WPARAM>(kind),
                 reinterpret_cast<LPARAM>(record));
}

std::string cell(HWND dialog, int list, int row, int column) {
    char text[256] = {};
    ListView_GetItemText(GetDlgItem(dialog, list), row, column, text, sizeof text);
    return text;
}

void pick(HWND dialog, int list, int row) {
    ListView_SetItemState(GetDlgItem(dialog, list), row, LVIS_SELECTED | LVIS_FOCUSED,
                          LVIS_SELECTED | LVIS_FOCUSED);
}

class RouterDialogTest : public DialogTest {
protected:
    void SetUp() override {
        DialogTest::SetUp();
        asked.clear();
        router_choice = {};
        usage_count = {};
        router_requests = {[] { asked.push_back("search"); },
                           [](const char* url) { asked.push_back(std::string("read ") + url); },
                           [](const char* host, const char* community) {
                               asked.push_back(std::string("interfaces ") + host + " " + community);
                           }};
        router_polls.poll = [](const RouterChoice& choice) {
            const char* sources[] = {"off", "upnp", "snmp"};
            asked.push_back(std::string("poll ") + sources[static_cast<int>(choice.source)]);
        };
    }
    void TearDown() override {
        router_requests = {request_router_search, request_router_at, request_snmp_interfaces};
        router_polls.poll = poll_router;
        window_dpi = platform_window_dpi;
        DialogTest::TearDown();
    }
    bool run(const std::function<void(HWND)>& act) {
        return run_with_steps([] { open_router_dialog(main_window); }, {{"Router", act}});
    }
};

// Searched, listed with each router's counters or its failure in words, and
// the working one kept whole, named once and polled. Chosen again it keeps its
// name; Cancel changes nothing; Off ends the polls.
TEST_F(RouterDialogTest, AFoundRouterIsKeptNamedOnceAndPolledAndOffEndsThePolls) {
    ASSERT_TRUE(run([](HWND dialog) {
        const std::vector<std::pair<int, std::string>> labels = {
            {IDC_ROUTER_URL, "&Description URL:"},
            {IDC_ROUTER_FOUND, "Routers &found:"},
            {IDC_ROUTER_HOST, "&Host:"},
            {IDC_ROUTER_COMMUNITY, "&Community:"},
            {IDC_ROUTER_INTERFACE_LIST, "&WAN interface:"}};
        for (const auto& [id, label] : labels)
            EXPECT_EQ(documented_label(GetDlgItem(dialog, id)), label) << id;
        EXPECT_FALSE(IsWindowEnabled(GetDlgItem(dialog, IDC_ROUTER_SEARCH))) << "Off asks nothing";
        click(dialog, IDC_ROUTER_UPNP);
        click(dialog, IDC_ROUTER_SEARCH);
        EXPECT_EQ(control_text(dialog, IDC_ROUTER_STATUS), "Searching...");
        answer(RouterAnswer::search, new RouterSearch{RouterProblem::nothing_answered, 0, {}});
        EXPECT_EQ(control_text(dialog, IDC_ROUTER_STATUS),
                  router_problem_words(RouterProblem::nothing_answered));
        answer(RouterAnswer::search,
               new RouterSearch{
                   RouterProblem::none,
                   3,
                   {found("Faulty", "uuid:f", RouterProblem::refused, "UPnP error 401: Invalid Action"),
                    found("Bare", "uuid:b", RouterProblem::no_counters),
                    found("Living room", "uuid:lr", RouterProblem::none)}});
        EXPECT_EQ(cell(dialog, IDC_ROUTER_FOUND, 0, 2), "UPnP error 401: Invalid Action");
        EXPECT_EQ(cell(dialog, IDC_ROUTER_FOUND, 1, 2), router_problem_words(RouterProblem::no_counters));
        EXPECT_EQ(cell(dialog, IDC_ROUTER_FOUND, 2, 0) + " " + cell(dialog, IDC_ROUTER_FOUND, 2, 1),
                  "Living room 127.0.0.1");
        EXPECT_NE(cell(dialog, IDC_ROUTER_FOUND, 2, 2).find(" down, 0 bytes up"), std::string::npos);
        pick(dialog, IDC_ROUTER_FOUND, 0);
        click(dialog, IDOK);
        EXPECT_EQ(control_text(dialog, IDC_ROUTER_STATUS), "UPnP error 401: Invalid Action") << "not taken";
        pick(dialog, IDC_ROUTER_FOUND, 2);
        click(dialog, IDOK);
    }));
    const char name[] = "Router: Living room";
    EXPECT_EQ(asked, (std::vector<std::string>{"search", "poll upnp"}));
    std::string saved = read_settings_file();
    for (const std::string line :
         {"router.source\tupnp\n", "router.location\thttp://127.0.0.1:5000/rootDesc.xml\n",
          "router.identity\tuuid:lr urn:upnp-org:serviceId:WANCommonIFC1\n",
          "router.name\tRouter: Living room\n"})
        EXPECT_NE(saved.find(line), std::string::npos) << line << saved;

    // Its traffic counted under its name: listed again it is picked, and
    // chosen again it keeps its name.
    usage_adapter_index(usage_count, name, true);
    asked.clear();
    ASSERT_TRUE(run([](HWND dialog) {
        answer(RouterAnswer::search,
               new RouterSearch{RouterProblem::none,
                                2,
                                {found("Kitchen", "uuid:k", RouterProblem::none),
                                 found("Living room", "uuid:lr", RouterProblem::none)}});
        EXPECT_EQ(ListView_GetNextItem(GetDlgItem(dialog, IDC_ROUTER_FOUND), -1, LVNI_SELECTED), 1);
        click(dialog, IDOK);
    }));
    EXPECT_STREQ(router_choice.name, name);
    ASSERT_TRUE(run([](HWND dialog) {
        click(dialog, IDC_ROUTER_OFF);
        click(dialog, IDCANCEL);
    }));
    EXPECT_EQ(router_choice.source, RouterSource::upnp) << "Cancel changes nothing";
    ASSERT_TRUE(run([](HWND dialog) {
        click(dialog, IDC_ROUTER_OFF);
        click(dialog, IDOK);
    }));
    EXPECT_EQ(asked, (std::vector<std::string>{"poll upnp", "poll off"}));
    EXPECT_NE(read_settings_file().find("router.source\toff\n"), std::string::npos);
}

// The interface table is read from the host and with the community typed,
// its silence said in words; the WAN interface picked is kept with that
// host, that community and its hardware address.
TEST_F(RouterDialogTest, AnSnmpInterfaceIsKeptWithTheHostAndCommunityItWasReadWith) {
    ASSERT_TRUE(run([](HWND dialog) {
        click(dialog, IDC_ROUTER_SNMP);
        EXPECT_EQ(control_text(dialog, IDC_ROUTER_COMMUNITY), "public");
        type_text(dialog, IDC_ROUTER_HOST, "127.0.0.1");
        type_text(dialog, IDC_ROUTER_COMMUNITY, "home");
        SendMessageA(dialog, WM_COMMAND, IDOK, 0);  // Enter in the box reads the table
        EXPECT_EQ(control_text(dialog, IDC_ROUTER_STATUS), "Reading...");
        answer(RouterAnswer::interfaces, new SnmpInterfaces{RouterProblem::community_refused, {}});
        EXPECT_EQ(control_text(dialog, IDC_ROUTER_STATUS), "No answer with this community, or SNMP is off.");
        auto* table = new SnmpInterfaces{};
        table->list.count = 2;
        SnmpInterface& lan = table->list.interfaces[0];
        lan.index = 1;
        put(lan.name, "lan0");
        SnmpInterface& wan = table->list.interfaces[1];
        wan.index = 7;
        put(wan.description, "wan0");
        put(wan.phys_address, "02:00:00:77:00:01");
        wan.counters_known = true;
        answer(RouterAnswer::interfaces, table);
        type_text(dialog, IDC_ROUTER_HOST, "127.0.0.2");  // after the table was read
        pick(dialog, IDC_ROUTER_INTERFACE_LIST, 0);
        click(dialog, IDOK);
        EXPECT_EQ(control_text(dialog, IDC_ROUTER_STATUS),
                  router_problem_words(RouterProblem::counter_missing));
        pick(dialog, IDC_ROUTER_INTERFACE_LIST, 1);
        click(dialog, IDOK);
    }));
    EXPECT_EQ(asked, (std::vector<std::string>{"interfaces 127.0.0.1 home", "poll snmp"}));
    const std::string saved = read_settings_file();
    for (const std::string line :
         {"router.snmp_host\t127.0.0.1\n", "router.snmp_community\thome\n", "router.snmp_interface\t7\n",
          "router.identity\t127.0.0.1 02:00:00:77:00:01\n", "router.name\tRouter: 127.0.0.1 wan0\n"})
        EXPECT_NE(saved.find(line), std::string::npos) << line << saved;
}

// On a screen of twice the system's scale the lists' scroll bars are twice
// as wide: the columns leave that much room, or a second, horizontal one comes.
TEST_F(RouterDialogTest, TheListsColumnsLeaveRoomForTheScrollBarOfTheirScreensScale) {
    ASSERT_EQ(screen_dpi(), 96) << "the test's screen";
    window_dpi = [](HWND) { return 192; };
    ASSERT_TRUE(run([](HWND dialog) {
        for (int id : {IDC_ROUTER_FOUND, IDC_ROUTER_INTERFACE_LIST}) {
            HWND list = GetDlgItem(dialog, id);
            RECT client{};
            GetClientRect(list, &client);
            int columns = 0;
            for (int column = 0; column < 3; ++column) columns += ListView_GetColumnWidth(list, column);
            EXPECT_EQ(columns, client.right - 2 * GetSystemMetrics(SM_CXVSCROLL)) << id;
        }
        click(dialog, IDCANCEL);
    }));
}

}  // namespace
