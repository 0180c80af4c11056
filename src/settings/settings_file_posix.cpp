#include <dirent.h>
#include <signal.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "settings/settings_file_platform.h"

extern char** environ;

namespace {

char lower(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

// The value of an entry "NAME=value" whose name matches, or null.
const char* value_of(const char* entry, const char* name) {
    for (; *name; ++name, ++entry) {
        if (lower(*entry) != lower(*name)) return nullptr;
    }
    return *entry == '=' ? entry + 1 : nullptr;
}

}  // namespace

bool read_environment_ci(const char* name, char* buffer, std::size_t size, std::size_t* length) {
    for (char** entry = environ; entry && *entry; ++entry) {
        const char* value = value_of(*entry, name);
        if (!value) continue;
        *length = std::strlen(value);
        if (*length < size) std::memcpy(buffer, value, *length + 1);
        return true;
    }
    return false;
}

unsigned long current_process_id() {
    return static_cast<unsigned long>(getpid());
}

// Another user's process may not be signalled, but it runs all the same.
bool process_is_running(unsigned long id) {
    const pid_t process = static_cast<pid_t>(id);
    if (process <= 0 || static_cast<unsigned long>(process) != id) return false;
    return kill(process, 0) == 0 || errno == EPERM;
}

void list_folder(const char* folder, const char* prefix, void (*visit)(const char* name, void* context),
                 void* context) {
    DIR* entries = opendir(folder);
    if (!entries) return;
    const std::size_t prefix_length = std::strlen(prefix);
    while (const dirent* entry = readdir(entries)) {
        if (std::strncmp(entry->d_name, prefix, prefix_length) == 0) visit(entry->d_name, context);
    }
    closedir(entries);
}

bool flush_file_to_disk(std::FILE* file) {
    return fsync(fileno(file)) == 0;
}

bool replace_file(const char* from, const char* to) {
    return std::rename(from, to) == 0;
}
