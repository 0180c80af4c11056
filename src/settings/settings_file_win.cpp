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

void process_unique_suffix(char (&text)[16]) {
    std::snprintf(text, sizeof text, "%lx", static_cast<unsigned long>(GetCurrentProcessId()));
}

bool flush_file_to_disk(std::FILE* file) {
    return _commit(_fileno(file)) == 0;
}

bool replace_file(const char* from, const char* to) {
    // Not ReplaceFile: it moves, deletes and moves again on some systems.
    return MoveFileExA(from, to, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
}
