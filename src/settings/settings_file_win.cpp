#include <io.h>
#include <windows.h>

#include <cstdio>

#include "settings/settings_file_platform.h"

bool read_environment_ci(const char* name, char* buffer, std::size_t size, std::size_t* length) {
    // The platform's own lookup already ignores letter case.
    SetLastError(ERROR_SUCCESS);
    DWORD room = size > MAXDWORD ? MAXDWORD : static_cast<DWORD>(size);
    DWORD result = GetEnvironmentVariableA(name, buffer, room);
    if (result == 0) {
        if (GetLastError() == ERROR_ENVVAR_NOT_FOUND) return false;
        if (size > 0) buffer[0] = '\0';
        *length = 0;
        return true;
    }
    // A buffer too small gives the size needed, terminator included.
    *length = result < room ? result : result - 1;
    return true;
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

void list_folder(const char* folder, const char* prefix, void (*visit)(const char* name, void* context),
                 void* context) {
    char pattern[MAX_PATH];
    const int length = std::snprintf(pattern, sizeof pattern, "%s%s*", folder, prefix);
    if (length < 0 || static_cast<std::size_t>(length) >= sizeof pattern) return;
    WIN32_FIND_DATAA entry;
    HANDLE search = FindFirstFileA(pattern, &entry);
    if (search == INVALID_HANDLE_VALUE) return;
    do {
        visit(entry.cFileName, context);
    } while (FindNextFileA(search, &entry));
    FindClose(search);
}

bool flush_file_to_disk(std::FILE* file) {
    return _commit(_fileno(file)) == 0;
}

bool replace_file(const char* from, const char* to) {
    // Not ReplaceFile: it moves, deletes and moves again on some systems.
    return MoveFileExA(from, to, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
}
