// Filling an interface list from the counter source's wildcard expansion.
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "app/app.h"
#include "dialog_driver.h"
#include "dialog_fixture.h"
#include "dialogs/interface_list.h"
#include "support/scripted_counters.h"

namespace {

constexpr char received_paths[] = "\\Network Interface(*)\\Bytes Received/sec";

// A stand-in expansion that answers with fixed paths and records every call.
std::string fake_paths;  // paths, each ending in "\0", without the final empty one
PDH_STATUS fake_status = 0;
std::vector<std::uint32_t> sizes_offered;

PDH_STATUS fake_expand(const char*, char* expanded, std::uint32_t* size) {
    sizes_offered.push_back(*size);
    if (fake_status != 0) {
        if (fake_status == PDH_MORE_DATA) *size += 100;
        return fake_status;
    }
    const std::uint32_t needed = static_cast<std::uint32_t>(fake_paths.size() + 1);
    if (*size < needed) {
        *size = needed;
        return PDH_MORE_DATA;
    }
    std::memcpy(expanded, fake_paths.data(), fake_paths.size());
    expanded[fake_paths.size()] = 0;
    return 0;
}

// The real expansion, counted.
PDH_STATUS counted_expand(const char* path, char* expanded, std::uint32_t* size) {
    sizes_offered.push_back(*size);
    return PdhExpandCounterPathA(path, expanded, size);
}

class InterfaceListTest : public DialogTest {
protected:
    void SetUp() override {
        DialogTest::SetUp();
        list = CreateWindowExA(0, "COMBOBOX", "", WS_CHILD | CBS_DROPDOWNLIST | CBS_SORT | WS_VSCROLL, 0, 0,
                               100, 100, main_window, nullptr, instance, nullptr);
        sizes_offered.clear();
        fake_paths.clear();
        fake_status = 0;
    }
    void TearDown() override {
        expand_counter_path = PdhExpandCounterPathA;
        DestroyWindow(list);
        DialogTest::TearDown();
    }

    std::vector<std::string> items() const {
        std::vector<std::string> names;
        const LRESULT count = SendMessageA(list, CB_GETCOUNT, 0, 0);
        for (LRESULT i = 0; i < count; ++i) {
            char name[600] = {};
            SendMessageA(list, CB_GETLBTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(name));
            names.push_back(name);
        }
        return names;
    }
    LRESULT selection() const { return SendMessageA(list, CB_GETCURSEL, 0, 0); }

    // Fills the list; every message box is answered and its text and owner kept.
    void fill() {
        messages.clear();
        owners.clear();
        UiStep answer{"Error", [this](HWND box) {
                          messages.push_back(control_text(box, 0xFFFF));
                          owners.push_back(GetWindow(box, GW_OWNER));
                          click(box, IDOK);
                      }};
        EXPECT_TRUE(run_with_steps([&] { fill_interface_list(received_paths, list); }, {}, 4000, {answer}));
    }

    HWND list = nullptr;
    std::vector<std::string> messages;
    std::vector<HWND> owners;
};

}  // namespace

TEST_F(InterfaceListTest, NamesAreSortedAndTheFirstIsSelected) {
    scripted_reset();
    scripted_add("Loopback", false);
    scripted_add("Adapter [A] 2", true);
    fill();
    EXPECT_EQ(items(), (std::vector<std::string>{"Adapter [A] 2", "Loopback"}));
    EXPECT_EQ(selection(), 0);
    EXPECT_TRUE(messages.empty());
}

TEST_F(InterfaceListTest, NameRunsFromFirstOpeningToLastClosingParenthesis) {
    using namespace std::string_literals;
    fake_paths =
        "\\Network Interface(a(b)c)\\Bytes Received/sec\0"
        "\\Network Interface without instance\\Bytes Received/sec\0"
        "\\Network Interface(unclosed\\Bytes Received/sec\0"
        "\\Network Interface(twice)\\Bytes Received/sec\0"
        "\\Network Interface(twice)\\Bytes Received/sec\0"s;
    expand_counter_path = fake_expand;
    fill();
    EXPECT_EQ(items(), (std::vector<std::string>{"a(b)c", "twice", "twice"}));
    EXPECT_EQ(selection(), 0);
}

TEST_F(InterfaceListTest, EmptyExpansionAddsAndSelectsNothingQuietly) {
    scripted_reset();
    fill();
    EXPECT_TRUE(items().empty());
    EXPECT_EQ(selection(), CB_ERR);
    EXPECT_TRUE(messages.empty());
}

TEST_F(InterfaceListTest, LongListIsFetchedWholeByASecondCallOneLarger) {
    scripted_reset();
    std::vector<std::string> expected;
    for (int i = 0; i < 40; ++i) {
        char name[64];
        std::snprintf(name, sizeof name, "Ethernet adapter with a long description %02d", i);
        scripted_add(name, true);
        expected.push_back(name);
    }
    expand_counter_path = counted_expand;
    fill();
    EXPECT_EQ(items(), expected);
    ASSERT_EQ(sizes_offered.size(), 2u);
    EXPECT_EQ(sizes_offered[0], 1024u);
    std::uint32_t needed = 0;
    EXPECT_EQ(PdhExpandCounterPathA(received_paths, nullptr, &needed), PDH_MORE_DATA);
    EXPECT_GT(needed, 1024u);
    EXPECT_EQ(sizes_offered[1], needed + 1);
}

TEST_F(InterfaceListTest, FailingSourceReportsOnceWithoutOwnerAndKeepsTheList) {
    SendMessageA(list, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>("kept"));
    scripted_set_failing(true);
    fill();
    EXPECT_EQ(messages, std::vector<std::string>{"PdhExpandCounterPath failed."});
    ASSERT_EQ(owners.size(), 1u);
    EXPECT_EQ(owners[0], nullptr);
    EXPECT_EQ(items(), std::vector<std::string>{"kept"});
}

TEST_F(InterfaceListTest, ListStillTooSmallOnTheSecondCallIsAFailureWithoutAThirdCall) {
    fake_status = PDH_MORE_DATA;
    expand_counter_path = fake_expand;
    fill();
    EXPECT_EQ(messages, std::vector<std::string>{"PdhExpandCounterPath failed."});
    ASSERT_EQ(sizes_offered.size(), 2u);
    EXPECT_EQ(sizes_offered[1], 1024u + 100u + 1u);
    EXPECT_TRUE(items().empty());
}
