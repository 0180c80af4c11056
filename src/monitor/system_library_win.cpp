#include "monitor/system_library.h"

#include <cwchar>

namespace {

// Where kernel32 exports AddDllDirectory, LoadLibraryEx takes the search flags
// (Windows 8 on, and Windows 7 with KB2533623); elsewhere it refuses them.
bool has_search_flags() {
    static const bool present =
        GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "AddDllDirectory") != nullptr;
    return present;
}

}  // namespace

HMODULE load_system_library(const wchar_t* name) {
    if (has_search_flags()) return LoadLibraryExW(name, nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
    wchar_t path[MAX_PATH];
    const UINT folder_length = GetSystemDirectoryW(path, MAX_PATH);
    if (folder_length == 0 || folder_length >= MAX_PATH) return nullptr;
    const std::size_t name_length = std::wcslen(name);
    if (folder_length + 1 + name_length >= MAX_PATH) return nullptr;
    path[folder_length] = L'\\';
    std::wmemcpy(path + folder_length + 1, name, name_length + 1);
    // Its dependencies are then looked for beside it first, not beside mivrel.
    return LoadLibraryExW(path, nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
}

void search_system32_only() {
    using SetDefaultDllDirectoriesFunction = BOOL(WINAPI*)(DWORD);
    const auto set_default_dll_directories =
        reinterpret_cast<SetDefaultDllDirectoriesFunction>(reinterpret_cast<void*>(
            GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "SetDefaultDllDirectories")));
    if (set_default_dll_directories) set_default_dll_directories(LOAD_LIBRARY_SEARCH_SYSTEM32);
}
