#include "settings/program_files.h"

#include <cstdio>
#include <cstring>

#include "settings/settings_file.h"
#include "settings/usage_file.h"
#include "settings/usage_history_file.h"

namespace {

constexpr char settings_file_name[] = "settings.cfg";
// Each history set aside has a name of its own between these.
constexpr char set_aside_start[] = "usage-history.bad";
constexpr char set_aside_end[] = ".csv";

char lower_ascii(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

bool same_letters(const char* text, const char* word, std::size_t length) {
    for (std::size_t i = 0; i < length; ++i) {
        if (lower_ascii(text[i]) != word[i]) return false;
    }
    return true;
}

bool is_name(const char* name, std::size_t length, const char* word) {
    return length == std::strlen(word) && same_letters(name, word, length);
}

bool is_separator(char c) {
    return c == '\\' || c == '/';
}

bool same_file(const FileIdentity& a, const FileIdentity& b) {
    return a.volume == b.volume && a.index == b.index;
}

struct Search {
    FileIdentity target;
    const char* folder;
    bool found;
};

void compare_entry(const char* name, void* context) {
    Search& search = *static_cast<Search*>(context);
    if (search.found || !is_program_file_name(name)) return;
    char path[path_capacity];
    const int length = std::snprintf(path, sizeof path, "%s%s", search.folder, name);
    FileIdentity identity;
    if (length > 0 && static_cast<std::size_t>(length) < sizeof path && file_identity(path, &identity))
        search.found = same_file(identity, search.target);
}

// The folder part of `path`, ending in its separator ("." for a bare name).
void folder_part(const char* path, char (&folder)[path_capacity], const char** name) {
    std::size_t length = std::strlen(path);
    while (length > 0 && !is_separator(path[length - 1])) --length;
    *name = path + length;
    std::snprintf(folder, sizeof folder, "%.*s", static_cast<int>(length), path);
    if (length == 0 || length >= sizeof folder) std::snprintf(folder, sizeof folder, ".");
}

}  // namespace

bool is_program_file_name(const char* name) {
    std::size_t length = std::strlen(name);
    while (length > 0 && (name[length - 1] == '.' || name[length - 1] == ' ')) --length;
    const std::size_t start = sizeof set_aside_start - 1;
    const std::size_t end = sizeof set_aside_end - 1;
    return is_name(name, length, settings_file_name) || is_name(name, length, usage_file_name) ||
           is_name(name, length, usage_history_file_name) ||
           (length >= start + end && same_letters(name, set_aside_start, start) &&
            same_letters(name + length - end, set_aside_end, end));
}

bool is_program_file(const char* path) {
    char folders[2][path_capacity];
    if (!data_file_path(folders[0], DataFolder::roaming, "") ||
        !data_file_path(folders[1], DataFolder::local, ""))
        return false;
    FileIdentity target;
    if (file_identity(path, &target)) {
        for (const char* folder : folders) {
            Search search{target, folder, false};
            list_folder(folder, "", compare_entry, &search);
            if (search.found) return true;
        }
        return false;
    }
    // Not there yet: once written, it would bear its name in its folder.
    char folder[path_capacity];
    const char* name = nullptr;
    folder_part(path, folder, &name);
    FileIdentity parent;
    if (!is_program_file_name(name) || !file_identity(folder, &parent)) return false;
    for (const char* ours : folders) {
        FileIdentity identity;
        if (file_identity(ours, &identity) && same_file(identity, parent)) return true;
    }
    return false;
}
