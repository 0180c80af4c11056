#include <dirent.h>
#include <signal.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

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

bool path_fits(const char* path) {
    return std::strlen(path) < 260;
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

std::FILE* open_file(const char* path, const char* mode) {
    return std::fopen(path, mode);
}

bool remove_file(const char* path) {
    return std::remove(path) == 0;
}

void make_folder(const char* folder) {
    char path[path_capacity];
    const std::size_t length = std::strlen(folder);
    if (length >= sizeof path) return;
    std::memcpy(path, folder, length + 1);
    // Each level in turn; one that is there already is no failure.
    for (std::size_t i = 1; i < length; ++i) {
        if (path[i] != '/') continue;
        path[i] = '\0';
        mkdir(path, 0777);
        path[i] = '/';
    }
    mkdir(path, 0777);
}

bool remove_folder(const char* folder) {
    return rmdir(folder) == 0;
}

// A Windows separator names no folder here: the folder's part after its last
// '/' begins the names of its files.
void list_folder(const char* folder, const char* prefix, void (*visit)(const char* name, void* context),
                 void* context) {
    const char* slash = std::strrchr(folder, '/');
    const std::string directory =
        slash ? std::string(folder, static_cast<std::size_t>(slash + 1 - folder)) : ".";
    const std::string inside = slash ? slash + 1 : folder;
    const std::string start = inside + prefix;
    DIR* entries = opendir(directory.c_str());
    if (!entries) return;
    while (const dirent* entry = readdir(entries)) {
        if (std::strncmp(entry->d_name, start.c_str(), start.size()) == 0)
            visit(entry->d_name + inside.size(), context);
    }
    closedir(entries);
}

bool flush_file_to_disk(std::FILE* file) {
    return fsync(fileno(file)) == 0;
}

bool create_unique_file(const char* folder, char (&path)[path_capacity]) {
    const int length = std::snprintf(path, sizeof path, "%smvrXXXXXX", folder);
    if (length < 0 || static_cast<std::size_t>(length) >= sizeof path) {
        path[0] = '\0';
        return false;
    }
    const int file = mkstemp(path);
    if (file < 0) {
        path[0] = '\0';
        return false;
    }
    close(file);
    return true;
}

ReplaceResult replace_file(const char* from, const char* to) {
    return std::rename(from, to) == 0 ? ReplaceResult::replaced : ReplaceResult::failed;
}

void pause_before_retry() {
    const timespec pause{0, 20 * 1000 * 1000};
    nanosleep(&pause, nullptr);
}

bool file_exists(const char* path) {
    struct stat status;
    return stat(path, &status) == 0;
}

// A second name first, so that an existing one is never replaced.
bool move_file_new(const char* from, const char* to) {
    if (link(from, to) != 0) return false;
    if (unlink(from) == 0) return true;
    unlink(to);
    return false;
}

bool read_file_stamp(const char* path, FileStamp* stamp) {
    struct stat status;
    if (stat(path, &status) != 0) return false;
    stamp->written = static_cast<std::uint64_t>(status.st_mtim.tv_sec) * 1000000000u +
                     static_cast<std::uint64_t>(status.st_mtim.tv_nsec);
    stamp->size = static_cast<std::uint64_t>(status.st_size);
    return true;
}

bool file_identity(const char* path, FileIdentity* identity) {
    struct stat status;
    if (stat(path, &status) != 0) return false;
    identity->volume = static_cast<unsigned long long>(status.st_dev);
    identity->index = static_cast<unsigned long long>(status.st_ino);
    return true;
}

namespace {

bool copy_text(const char* from, char* to, std::size_t size) {
    const std::size_t length = std::strlen(from);
    if (size == 0) return false;
    if (length >= size) {
        to[0] = '\0';
        return false;
    }
    std::memcpy(to, from, length + 1);
    return true;
}

}  // namespace

bool ansi_to_utf8(const char* ansi, char* utf8, std::size_t size) {
    return copy_text(ansi, utf8, size);
}

bool utf8_to_ansi_shown(const char* utf8, char* ansi, std::size_t size) {
    return copy_text(utf8, ansi, size);
}

AnsiText utf8_to_ansi(const char* utf8, char* ansi, std::size_t size) {
    return copy_text(utf8, ansi, size) ? AnsiText::converted : AnsiText::too_long;
}
