// Helpers for the settings tests: a failing allocator, a scratch folder, the
// "AppData" variable under test control, and whole-file reads and writes.
#pragma once

#include <gtest/gtest.h>

#include <cstddef>
#include <filesystem>
#include <string>
#include <vector>

#include "settings/settings_store.h"

// Lets the next `allowed` store allocations succeed and fails the rest (a
// negative count never fails); remembers the size of every fresh block.
struct AllocationLimit {
    explicit AllocationLimit(int allowed);
    ~AllocationLimit();
    AllocationLimit(const AllocationLimit&) = delete;
    AllocationLimit& operator=(const AllocationLimit&) = delete;
    static std::vector<std::size_t>& fresh_block_sizes();
};

// An empty folder of its own under the working directory, removed afterwards.
struct ScratchFolder {
    ScratchFolder();
    ~ScratchFolder();
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;
    std::string file(const char* name) const { return (path / name).string(); }
    // Names of everything below the folder, sorted, relative to it.
    std::vector<std::string> contents() const;
    std::filesystem::path path;
};

// Takes every spelling of "AppData" and "LocalAppData" out of the environment
// and puts the old ones back afterwards: unset, the counts live beside the
// settings.
struct AppDataGuard {
    AppDataGuard();
    ~AppDataGuard();
    AppDataGuard(const AppDataGuard&) = delete;
    AppDataGuard& operator=(const AppDataGuard&) = delete;
    // Sets the variable under exactly this spelling.
    static void set(const char* name, const std::string& value);
    std::vector<std::pair<std::string, std::string>> saved;
};

std::string read_file(const std::string& path);
void write_file(const std::string& path, const std::string& bytes);

// The store's pairs as "key=value" texts, in order.
std::vector<std::string> stored_pairs();

// Starts and ends every test with an empty store and the standard allocator.
class SettingsTest : public ::testing::Test {
protected:
    void SetUp() override { clear_settings(); }
    void TearDown() override {
        set_settings_reallocate(nullptr);
        clear_settings();
    }
};
