#include "settings_fixture.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <sstream>

#ifdef _WIN32
#include <windows.h>
#else
#include <strings.h>
#include <unistd.h>
extern char** environ;
#endif

namespace {

int allocations_left = -1;

void* limited_reallocate(void* block, std::size_t size) {
    if (allocations_left == 0) return nullptr;
    if (allocations_left > 0) --allocations_left;
    if (!block) AllocationLimit::fresh_block_sizes().push_back(size);
    return std::realloc(block, size);
}

int scratch_number = 0;

unsigned long process_id() {
#ifdef _WIN32
    return GetCurrentProcessId();
#else
    return static_cast<unsigned long>(getpid());
#endif
}

}  // namespace

AllocationLimit::AllocationLimit(int allowed) {
    allocations_left = allowed;
    fresh_block_sizes().clear();
    set_settings_reallocate(limited_reallocate);
}

AllocationLimit::~AllocationLimit() {
    set_settings_reallocate(nullptr);
    allocations_left = -1;
}

std::vector<std::size_t>& AllocationLimit::fresh_block_sizes() {
    static std::vector<std::size_t> sizes;
    return sizes;
}

ScratchFolder::ScratchFolder() {
    path = std::filesystem::current_path() /
           ("settings-scratch-" + std::to_string(process_id()) + "-" + std::to_string(++scratch_number));
    std::filesystem::remove_all(path);
    std::filesystem::create_directories(path);
}

ScratchFolder::~ScratchFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(path, ignored);
}

std::vector<std::string> ScratchFolder::contents() const {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(path)) {
        names.push_back(std::filesystem::relative(entry.path(), path).generic_string());
    }
    std::sort(names.begin(), names.end());
    return names;
}

#ifdef _WIN32

AppDataGuard::AppDataGuard() {
    for (const char* name : {"AppData", "LocalAppData"}) {
        char value[32768];
        DWORD length = GetEnvironmentVariableA(name, value, sizeof value);
        if (length > 0 && length < sizeof value) saved.emplace_back(name, value);
        SetEnvironmentVariableA(name, nullptr);
    }
}

AppDataGuard::~AppDataGuard() {
    for (const char* name : {"AppData", "LocalAppData"}) SetEnvironmentVariableA(name, nullptr);
    for (const auto& [name, value] : saved) SetEnvironmentVariableA(name.c_str(), value.c_str());
}

void AppDataGuard::set(const char* name, const std::string& value) {
    SetEnvironmentVariableA(name, value.c_str());
}

#else

namespace {

std::vector<std::pair<std::string, std::string> > app_data_entries() {
    std::vector<std::pair<std::string, std::string> > entries;
    for (char** entry = environ; *entry; ++entry) {
        const char* equals = std::strchr(*entry, '=');
        const std::string name(*entry, equals ? static_cast<std::size_t>(equals - *entry) : 0);
        if (strcasecmp(name.c_str(), "appdata") == 0 || strcasecmp(name.c_str(), "localappdata") == 0)
            entries.emplace_back(name, equals + 1);
    }
    return entries;
}

void remove_app_data() {
    for (const auto& entry : app_data_entries()) unsetenv(entry.first.c_str());
}

}  // namespace

AppDataGuard::AppDataGuard() : saved(app_data_entries()) {
    remove_app_data();
}

AppDataGuard::~AppDataGuard() {
    remove_app_data();
    for (const auto& [name, value] : saved) setenv(name.c_str(), value.c_str(), 1);
}

void AppDataGuard::set(const char* name, const std::string& value) {
    setenv(name, value.c_str(), 1);
}

#endif

std::string read_file(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void write_file(const std::string& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

std::vector<std::string> stored_pairs() {
    std::vector<std::string> pairs;
    for (std::int32_t i = 0; i < settings_store.pair_count; ++i) {
        pairs.push_back(std::string(settings_store.pairs[i].key) + "=" + settings_store.pairs[i].value);
    }
    return pairs;
}
