#include <io.h>
#include <windows.h>

#include <shlobj.h>

#include <cstdio>
#include <cwchar>

#include "settings/settings_file_platform.h"

namespace {

// A UTF-8 path as the wide API takes it; empty when it does not fit or is no
// valid UTF-8, which no call then finds.
struct WidePath {
    wchar_t text[MAX_PATH];
    bool valid;

    explicit WidePath(const char* utf8) {
        valid = MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, utf8, -1, text, MAX_PATH) > 0;
        if (!valid) text[0] = L'\0';
    }
};

// Gives the length written (terminator excluded), or 0 when it does not fit
// or holds a lone surrogate.
int to_utf8(const wchar_t* wide, int wide_length, char* buffer, std::size_t size) {
    const int room = size > 0x7fffffff ? 0x7fffffff : static_cast<int>(size);
    if (room == 0) return 0;
    const int written = WideCharToMultiByte(CP_UTF8, WC_ERR_INVALID_CHARS, wide, wide_length, buffer,
                                            room - 1, nullptr, nullptr);
    buffer[written > 0 ? written : 0] = '\0';
    return written;
}

}  // namespace

bool read_environment_ci(const char* name, char* buffer, std::size_t size, std::size_t* length) {
    // The platform's own lookup already ignores letter case.
    wchar_t wide_name[64];
    if (MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, name, -1, wide_name, 64) == 0) return false;
    wchar_t value[path_capacity];
    SetLastError(ERROR_SUCCESS);
    const DWORD result = GetEnvironmentVariableW(wide_name, value, path_capacity);
    if (result == 0) {
        if (GetLastError() == ERROR_ENVVAR_NOT_FOUND) return false;
        if (size > 0) buffer[0] = '\0';
        *length = 0;
        return true;
    }
    // A buffer too small gives the size needed, terminator included; each
    // UTF-16 unit takes at least one byte.
    *length = result >= path_capacity ? result - 1 : 0;
    if (*length > 0) {
        if (*length < size) *length = size;
        return true;
    }
    const int written = to_utf8(value, static_cast<int>(result), buffer, size);
    *length = written > 0 ? static_cast<std::size_t>(written) : size;
    return true;
}

bool path_fits(const char* path) {
    return WidePath(path).valid;
}

unsigned long current_process_id() {
    return GetCurrentProcessId();
}

// A process that may not be opened (another user's) runs all the same; one
// whose handle is still held elsewhere may have ended.
bool process_is_running(unsigned long id) {
    HANDLE process = OpenProcess(SYNCHRONIZE, FALSE, id);
    if (!process) return GetLastError() == ERROR_ACCESS_DENIED;
    const bool running = WaitForSingleObject(process, 0) == WAIT_TIMEOUT;
    CloseHandle(process);
    return running;
}

std::FILE* open_file(const char* path, const char* mode) {
    const WidePath wide(path);
    wchar_t wide_mode[8];
    if (!wide.valid || MultiByteToWideChar(CP_UTF8, 0, mode, -1, wide_mode, 8) == 0) return nullptr;
    return _wfopen(wide.text, wide_mode);
}

bool remove_file(const char* path) {
    const WidePath wide(path);
    return wide.valid && DeleteFileW(wide.text) != 0;
}

// A regular file in the folder's place is no folder. The shell makes absolute
// paths only.
void make_folder(const char* folder) {
    const WidePath wide(folder);
    if (!wide.valid) return;
    const DWORD attributes = GetFileAttributesW(wide.text);
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY)) return;
    wchar_t full_path[MAX_PATH];
    const DWORD length = GetFullPathNameW(wide.text, MAX_PATH, full_path, nullptr);
    if (length == 0 || length >= folder_path_limit) return;
    SHCreateDirectoryExW(nullptr, full_path, nullptr);
}

bool remove_folder(const char* folder) {
    const WidePath wide(folder);
    return wide.valid && RemoveDirectoryW(wide.text) != 0;
}

void list_folder(const char* folder, const char* prefix, void (*visit)(const char* name, void* context),
                 void* context) {
    char pattern[path_capacity];
    const int length = std::snprintf(pattern, sizeof pattern, "%s%s*", folder, prefix);
    if (length < 0 || static_cast<std::size_t>(length) >= sizeof pattern) return;
    const WidePath wide(pattern);
    if (!wide.valid) return;
    WIN32_FIND_DATAW entry;
    HANDLE search = FindFirstFileW(wide.text, &entry);
    if (search == INVALID_HANDLE_VALUE) return;
    do {
        char name[path_capacity];
        if (to_utf8(entry.cFileName, static_cast<int>(wcslen(entry.cFileName)), name, sizeof name) > 0)
            visit(name, context);
    } while (FindNextFileW(search, &entry));
    FindClose(search);
}

bool flush_file_to_disk(std::FILE* file) {
    return _commit(_fileno(file)) == 0;
}

// The platform numbers the name until it is new, and makes the file.
bool create_unique_file(const char* folder, char (&path)[path_capacity]) {
    path[0] = '\0';
    const WidePath wide(folder);
    wchar_t unique[MAX_PATH];
    if (!wide.valid || GetTempFileNameW(wide.text, L"mvr", 0, unique) == 0) return false;
    if (to_utf8(unique, -1, path, sizeof path) > 0) return true;
    DeleteFileW(unique);
    return false;
}

ReplaceResult replace_file(const char* from, const char* to) {
    const WidePath wide_from(from);
    const WidePath wide_to(to);
    if (!wide_from.valid || !wide_to.valid) return ReplaceResult::failed;
    // Not ReplaceFile: it moves, deletes and moves again on some systems.
    if (MoveFileExW(wide_from.text, wide_to.text, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        return ReplaceResult::replaced;
    const DWORD error = GetLastError();
    return replace_refusal(error, GetFileAttributesW(wide_to.text));
}

ReplaceResult replace_refusal(unsigned long error, unsigned long target_attributes) {
    switch (error) {
        case ERROR_SHARING_VIOLATION:
        case ERROR_LOCK_VIOLATION:
            return ReplaceResult::busy;
        case ERROR_ACCESS_DENIED:
            if (target_attributes != INVALID_FILE_ATTRIBUTES &&
                (target_attributes & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_DIRECTORY)))
                return ReplaceResult::failed;
            return ReplaceResult::busy;
        default:
            return ReplaceResult::failed;
    }
}

void pause_before_retry() {
    Sleep(20);
}

bool file_exists(const char* path) {
    const WidePath wide(path);
    return wide.valid && GetFileAttributesW(wide.text) != INVALID_FILE_ATTRIBUTES;
}

bool move_file_new(const char* from, const char* to) {
    const WidePath wide_from(from);
    const WidePath wide_to(to);
    return wide_from.valid && wide_to.valid &&
           MoveFileExW(wide_from.text, wide_to.text, MOVEFILE_WRITE_THROUGH) != 0;
}

bool read_file_stamp(const char* path, FileStamp* stamp) {
    const WidePath wide(path);
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!wide.valid || !GetFileAttributesExW(wide.text, GetFileExInfoStandard, &data)) return false;
    stamp->written = (static_cast<std::uint64_t>(data.ftLastWriteTime.dwHighDateTime) << 32) |
                     data.ftLastWriteTime.dwLowDateTime;
    stamp->size = (static_cast<std::uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
    return true;
}

// A folder opens only for backup semantics; asking for no access needs no right to the file.
bool file_identity(const char* path, FileIdentity* identity) {
    const WidePath wide(path);
    if (!wide.valid) return false;
    HANDLE file = CreateFileW(wide.text, 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                              OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    BY_HANDLE_FILE_INFORMATION information;
    const bool known = GetFileInformationByHandle(file, &information) != 0;
    CloseHandle(file);
    if (!known) return false;
    identity->volume = information.dwVolumeSerialNumber;
    identity->index =
        (static_cast<unsigned long long>(information.nFileIndexHigh) << 32) | information.nFileIndexLow;
    return true;
}

namespace {

// Through UTF-16; a character the target cannot spell takes its best fit.
bool convert_text(UINT from_page, const char* from, UINT to_page, char* to, std::size_t size) {
    if (size == 0) return false;
    to[0] = '\0';
    wchar_t wide[1024];
    const int wide_length = MultiByteToWideChar(from_page, 0, from, -1, wide, 1024);
    if (wide_length <= 0) return false;
    const int room = size > 0x7fffffff ? 0x7fffffff : static_cast<int>(size);
    const int written = WideCharToMultiByte(to_page, 0, wide, wide_length, to, room, nullptr, nullptr);
    if (written > 0) return true;
    to[0] = '\0';
    return false;
}

}  // namespace

bool ansi_to_utf8(const char* ansi, char* utf8, std::size_t size) {
    return convert_text(CP_ACP, ansi, CP_UTF8, utf8, size);
}

bool utf8_to_ansi_shown(const char* utf8, char* ansi, std::size_t size) {
    return convert_text(CP_UTF8, utf8, CP_ACP, ansi, size);
}

AnsiText utf8_to_ansi(const char* utf8, char* ansi, std::size_t size) {
    if (size == 0) return AnsiText::too_long;
    ansi[0] = '\0';
    wchar_t wide[1024];
    const int wide_length = MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, utf8, -1, wide, 1024);
    if (wide_length <= 0)
        return GetLastError() == ERROR_INSUFFICIENT_BUFFER ? AnsiText::too_long : AnsiText::not_utf8;
    // A system whose ANSI code page is UTF-8 spells everything, and takes no flags.
    const bool utf8_system = GetACP() == CP_UTF8;
    BOOL defaulted = FALSE;
    const int room = size > 0x7fffffff ? 0x7fffffff : static_cast<int>(size);
    const int written = WideCharToMultiByte(CP_ACP, utf8_system ? 0 : WC_NO_BEST_FIT_CHARS, wide, wide_length,
                                            ansi, room, nullptr, utf8_system ? nullptr : &defaulted);
    if (written > 0 && !defaulted) return AnsiText::converted;
    ansi[0] = '\0';
    return written > 0 ? AnsiText::not_spelt : AnsiText::too_long;
}
