// "Export..." as the user meets it: the program's own files refused in the
// Save As dialog by whatever spelling, and a failure told by the Main window
// once the Usage window has closed.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <cwchar>
#include <string>
#include <vector>

#include "app/app.h"
#include "dialog_driver.h"
#include "dialog_fixture.h"
#include "dialogs/history_export.h"
#include "settings/save_worker.h"
#include "settings/settings_file.h"
#include "support/message_pump.h"

namespace {

// The paths the user picks, one each time the Save As dialog opens; then Cancel.
std::vector<std::wstring> picked;
int save_as_opened = 0;

BOOL WINAPI pick_next(OPENFILENAMEW* request) {
    ++save_as_opened;
    if (picked.empty()) return FALSE;
    wcsncpy(request->lpstrFile, picked.front().c_str(), request->nMaxFile - 1);
    picked.erase(picked.begin());
    return TRUE;
}

std::wstring wide(const std::string& text) {
    wchar_t converted[MAX_PATH] = {};
    MultiByteToWideChar(CP_UTF8, 0, text.c_str(), -1, converted, MAX_PATH);
    return converted;
}

std::string narrow(const std::wstring& text) {
    char converted[MAX_PATH * 3] = {};
    WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, converted, sizeof converted, nullptr, nullptr);
    return converted;
}

std::string file_text(const std::string& path) {
    std::string text;
    if (std::FILE* file = std::fopen(path.c_str(), "rb")) {
        char block[256];
        while (const std::size_t got = std::fread(block, 1, sizeof block, file)) text.append(block, got);
        std::fclose(file);
    }
    return text;
}

void write_text(const std::string& path, const std::string& text) {
    if (std::FILE* file = std::fopen(path.c_str(), "wb")) {
        std::fwrite(text.data(), 1, text.size(), file);
        std::fclose(file);
    }
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

struct SaveAsGuard {
    SaveFileDialog real = save_file_dialog;
    SaveAsGuard() {
        save_file_dialog = pick_next;
        save_as_opened = 0;
    }
    ~SaveAsGuard() { save_file_dialog = real; }
};

using HistoryExportTest = DialogTest;

// usage.cfg by its short name, a set-aside history in other letters and a
// settings.cfg not made yet: each refused with a word, offered again, and
// nothing written; Cancel ends it.
TEST_F(HistoryExportTest, SaveAsRefusesTheProgramsOwnFilesByAnySpelling) {
    SaveAsGuard guard;
    const std::string folder = settings_path("");
    make_folder(folder.c_str());
    const std::string usage = folder + "usage.cfg", set_aside = folder + "usage-history.bad-2026-03-30.csv";
    write_text(usage, "adapter.system_start\t1\n");
    write_text(set_aside, "kept");
    wchar_t short_usage[MAX_PATH] = {};
    ASSERT_NE(GetShortPathNameW(wide(usage).c_str(), short_usage, MAX_PATH), 0u);
    ASSERT_NE(narrow(short_usage), usage) << "no other spelling to try";
    std::wstring upper_set_aside = wide(set_aside);
    CharUpperW(upper_set_aside.data());
    picked = {short_usage, upper_set_aside, wide(folder + "Settings.CFG")};
    const std::uint64_t exports_before = saves_queued(SaveSlot::exported);
    std::vector<std::wstring> texts;
    const UiStep answer = box_answered(&texts);
    EXPECT_TRUE(run_with_steps([] { export_history(main_window); }, {answer, answer, answer}));
    EXPECT_EQ(save_as_opened, 4);
    EXPECT_EQ(texts, std::vector<std::wstring>(3,
                                               L"mivrel keeps its own settings and counts in that file. "
                                               L"Choose another name or folder."));
    EXPECT_EQ(saves_queued(SaveSlot::exported), exports_before);
    EXPECT_EQ(file_text(usage), "adapter.system_start\t1\n");
    EXPECT_EQ(file_text(set_aside), "kept");
    EXPECT_FALSE(file_exists((folder + "settings.cfg").c_str()));
    DeleteFileA(usage.c_str());
    DeleteFileA(set_aside.c_str());
}

// The Usage window closed before its export failed: the Main window says so,
// naming the file.
TEST_F(HistoryExportTest, AFailureAfterTheUsageWindowClosedIsToldByTheMainWindow) {
    SaveAsGuard guard;
    const std::string missing = settings_path("no such folder\\usage.csv");
    picked = {wide(missing)};
    std::vector<std::wstring> texts;
    EXPECT_TRUE(run_with_steps(
        [] {
            HWND usage_window = CreateWindowExA(0, "STATIC", "Usage", WS_POPUP, 0, 0, 10, 10, main_window,
                                                nullptr, nullptr, nullptr);
            export_history(usage_window);
            DestroyWindow(usage_window);
            pump_messages(300);
        },
        {box_answered(&texts)}));
    EXPECT_EQ(texts, std::vector<std::wstring>{L"The usage history could not be written to " + wide(missing) +
                                               L"."});
}

}  // namespace
