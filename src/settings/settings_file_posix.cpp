#include <unistd.h>

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

void process_unique_suffix(char (&text)[16]) {
    std::snprintf(text, sizeof text, "%lx", static_cast<unsigned long>(getpid()));
}

bool flush_file_to_disk(std::FILE* file) {
    return fsync(fileno(file)) == 0;
}

bool replace_file(const char* from, const char* to) {
    return std::rename(from, to) == 0;
}
