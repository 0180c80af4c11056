// Main windows made by tests read, repair and remove the user's Run value: the
// test program puts back what it found, so a real registration survives.
#include <windows.h>

#include <gtest/gtest.h>

namespace {

class RunValueGuard : public ::testing::Environment {
    void SetUp() override {
        found =
            RegGetValueW(HKEY_CURRENT_USER, key, L"mivrel", RRF_RT_ANY | RRF_NOEXPAND, &type, saved, &size);
    }
    // One that could not be read is not ours to rewrite.
    void TearDown() override {
        if (found == ERROR_SUCCESS) RegSetKeyValueW(HKEY_CURRENT_USER, key, L"mivrel", type, saved, size);
        if (found == ERROR_FILE_NOT_FOUND) RegDeleteKeyValueW(HKEY_CURRENT_USER, key, L"mivrel");
    }
    const wchar_t* key = L"Software\\Microsoft\\Windows\\CurrentVersion\\Run";
    LSTATUS found = ERROR_FILE_NOT_FOUND;
    DWORD type = REG_NONE, size = sizeof saved;
    BYTE saved[65536 + 16] = {};  // the longest path the program writes, in quotes
};

const auto* const guard = ::testing::AddGlobalTestEnvironment(new RunValueGuard);

}  // namespace
