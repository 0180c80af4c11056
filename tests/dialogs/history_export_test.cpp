// "Export..." as the user meets it: the program's own files refused in the
// Save As dialog however spelt, and a failure told once the asking window has closed.
#include <windows.h>

#include <gtest/gtest.h>

#include <cwchar>
#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "app/app.h"
#include "dialog_driver.h"
#include "dialog_fixture.h"
#include "dialogs/history_export.h"
#include "settings/save_worker.h"
#include "settings/settings_file.h"
#include "settings/settings_fixture.h"

namespace {

// What the user picks each time the Save As dialog opens; then Cancel.
std::vector<std::wstring> picked;

BOOL WINAPI pick_next(OPENFILENAMEW* request) {
    if (picked.empty()) return FALSE;
    wcsncpy(request->lpstrFile, picked.front().c_str(), request->nMaxFile - 1);
    picked.erase(picked.begin());
    return TRUE;
}

std::wstring wide(const std::string& text) {
    return std::filesystem::path(text).wstring();
}

// Reads a message box's text and presses OK.
UiStep box_answered(std::vector<std::wstring>* texts) {
    return {"Usage", [texts](HWND box) {
                wchar_t text[512] = {};
                GetDlgItemTextW(box, 0xFFFF, text, 512);
                texts->push_back(text);
                click(box, IDOK);
            }};
}

struct HistoryExportTest : DialogTest {
    SaveFileDialog real = std::exchange(save_file_dialog, pick_next);
    ~HistoryExportTest() override { save_file_dialog = real; }
    std::vector<std::wstring> texts;
};

// usage.cfg by its short name, a set-aside history in capitals, a
// settings.cfg not made yet: each refused and offered again, nothing written.
TEST_F(HistoryExportTest, SaveAsRefusesTheProgramsOwnFilesHoweverSpelt) {
    const std::string folder = settings_path("");
    make_folder(folder.c_str());
    const std::string usage = folder + "usage.cfg", set_aside = folder + "usage-history.bad-2026-03-30.csv";
    write_file(usage, "adapter.system_start\t1\n");
    write_file(set_aside, "kept");
    wchar_t short_usage[MAX_PATH] = {};
    ASSERT_NE(GetShortPathNameW(wide(usage).c_str(), short_usage, MAX_PATH), 0u);
    ASSERT_NE(short_usage, wide(usage)) << "no other spelling to try";
    std::wstring capitals = wide(set_aside);
    CharUpperW(capitals.data());
    picked = {short_usage, capitals, wide(folder + "Settings.CFG")};
    const std::uint64_t exports = saves_queued(SaveSlot::exported);
    const UiStep answer = box_answered(&texts);
    EXPECT_TRUE(run_with_steps([] { export_history(main_window); }, {answer, answer, answer}));
    EXPECT_EQ(texts, std::vector<std::wstring>(3,
                                               L"mivrel keeps its own settings and counts in that file. "
                                               L"Choose another name or folder."));
    EXPECT_EQ(saves_queued(SaveSlot::exported), exports);
    EXPECT_EQ(read_file(usage) + read_file(set_aside), "adapter.system_start\t1\nkept");
    EXPECT_FALSE(file_exists((folder + "settings.cfg").c_str()));
    remove_file(usage.c_str());
    remove_file(set_aside.c_str());
}

TEST_F(HistoryExportTest, AFailureAfterTheUsageWindowClosedIsToldByTheMainWindow) {
    const std::string missing = settings_path("no such folder\\usage.csv");
    picked = {wide(missing)};
    EXPECT_TRUE(run_with_steps(
        [] {
            HWND usage_window = CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 9, 9, main_window, nullptr,
                                                nullptr, nullptr);
            export_history(usage_window);
            DestroyWindow(usage_window);
            pump_messages(300);
        },
        {box_answered(&texts)}));
    EXPECT_EQ(texts, std::vector<std::wstring>{L"The usage history could not be written to " + wide(missing) +
                                               L"."});
}

}  // namespace
