// Starting at logon through the user's Run key, in the wide API so that any
// folder name works.
#include "app/start_with_windows.h"

#include <windows.h>

#include <cwchar>

#include "scoped.h"

namespace {

constexpr wchar_t run_key_path[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Run";
constexpr wchar_t run_value_name[] = L"mivrel";

// The longest path the wide API takes, terminator included.
constexpr DWORD long_path_capacity = 32768;

struct RegistryKeyTraits {
    using Value = HKEY;
    static bool held(HKEY key) { return key != nullptr; }
    static void let_go(HKEY key) { RegCloseKey(key); }
};
using RegistryKeyGuard = Scoped<RegistryKeyTraits>;

// Too long for the stack; every use is on the one thread, one call at a time.
struct RunTexts {
    wchar_t stored[long_path_capacity + 1];  // room to terminate what the registry held
    wchar_t expanded[long_path_capacity];
    wchar_t candidate[long_path_capacity];
    wchar_t command[long_path_capacity + 2];  // the program's path and its two quotes
};
RunTexts run_texts;

enum class StoredState { absent, text, no_text, unknown };

struct StoredValue {
    StoredState state;
    const wchar_t* text;
};

// `unknown` when the value is there but cannot be judged (no access, too long):
// it is then shown as registered and never rewritten.
StoredValue read_run_value() {
    HKEY opened = nullptr;
    const LONG open_result = RegOpenKeyExW(HKEY_CURRENT_USER, run_key_path, 0, KEY_QUERY_VALUE, &opened);
    if (open_result == ERROR_FILE_NOT_FOUND) return {StoredState::absent, nullptr};
    if (open_result != ERROR_SUCCESS) return {StoredState::unknown, nullptr};
    const RegistryKeyGuard key(opened);
    DWORD type = REG_NONE;
    DWORD size = long_path_capacity * sizeof(wchar_t);
    const LONG result = RegQueryValueExW(key.get(), run_value_name, nullptr, &type,
                                         reinterpret_cast<BYTE*>(run_texts.stored), &size);
    if (result == ERROR_FILE_NOT_FOUND) return {StoredState::absent, nullptr};
    if (result != ERROR_SUCCESS) return {StoredState::unknown, nullptr};
    if (type != REG_SZ && type != REG_EXPAND_SZ) return {StoredState::no_text, nullptr};
    // A stored string need not end in a terminator.
    run_texts.stored[size / sizeof(wchar_t)] = L'\0';
    if (type == REG_SZ) return {StoredState::text, run_texts.stored};
    const DWORD expanded =
        ExpandEnvironmentStringsW(run_texts.stored, run_texts.expanded, long_path_capacity);
    if (expanded == 0 || expanded > long_path_capacity) return {StoredState::unknown, nullptr};
    return {StoredState::text, run_texts.expanded};
}

// Gone for sure: a folder where the program was, or nothing at a path the
// platform could look at. A network share that does not answer, a drive that
// is not ready or a folder we may not read may still hold it.
bool file_is_gone(const wchar_t* path) {
    const DWORD attributes = GetFileAttributesW(path);
    if (attributes != INVALID_FILE_ATTRIBUTES) return (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    const DWORD error = GetLastError();
    return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND || error == ERROR_INVALID_NAME;
}

// Quoted, so that a folder with blanks is not read as a program and arguments.
void write_run_value() {
    wchar_t* command = run_texts.command;
    const DWORD length = GetModuleFileNameW(nullptr, command + 1, long_path_capacity);
    if (length == 0 || length >= long_path_capacity) return;
    command[0] = L'"';
    command[length + 1] = L'"';
    command[length + 2] = L'\0';
    HKEY created = nullptr;
    if (RegCreateKeyExW(HKEY_CURRENT_USER, run_key_path, 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_SET_VALUE,
                        nullptr, &created, nullptr) != ERROR_SUCCESS)
        return;
    const RegistryKeyGuard key(created);
    RegSetValueExW(key.get(), run_value_name, 0, REG_SZ, reinterpret_cast<const BYTE*>(command),
                   (length + 3) * sizeof(wchar_t));
}

void remove_run_value() {
    HKEY opened = nullptr;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, run_key_path, 0, KEY_SET_VALUE, &opened) != ERROR_SUCCESS) return;
    const RegistryKeyGuard key(opened);
    RegDeleteValueW(key.get(), run_value_name);
}

bool is_blank(wchar_t character) {
    return character == L' ' || character == L'\t';
}

}  // namespace

bool starts_with_windows() {
    return read_run_value().state != StoredState::absent;
}

void set_start_with_windows(bool on) {
    if (on)
        write_run_value();
    else
        remove_run_value();
}

void toggle_start_with_windows() {
    set_start_with_windows(!starts_with_windows());
}

void repair_start_with_windows() {
    const StoredValue stored = read_run_value();
    if (stored.state == StoredState::no_text ||
        (stored.state == StoredState::text && run_value_is_stale(stored.text, file_is_gone)))
        write_run_value();
}

bool run_value_is_stale(const wchar_t* value, bool (*is_gone)(const wchar_t* path)) {
    wchar_t* candidate = run_texts.candidate;
    while (is_blank(*value)) ++value;
    if (*value == L'"') {
        const wchar_t* path = value + 1;
        const wchar_t* closing = std::wcschr(path, L'"');
        const std::size_t length = closing ? static_cast<std::size_t>(closing - path) : std::wcslen(path);
        if (length == 0) return true;
        if (length >= long_path_capacity) return false;
        std::wmemcpy(candidate, path, length);
        candidate[length] = L'\0';
        return is_gone(candidate);
    }
    std::size_t length = std::wcslen(value);
    while (length > 0 && is_blank(value[length - 1])) --length;
    if (length == 0) return true;
    if (length >= long_path_capacity) return false;
    for (std::size_t end = 1; end <= length; ++end) {
        const bool ends_a_stretch = end == length || (is_blank(value[end]) && !is_blank(value[end - 1]));
        if (!ends_a_stretch) continue;
        std::wmemcpy(candidate, value, end);
        candidate[end] = L'\0';
        if (!is_gone(candidate)) return false;
    }
    return true;
}
