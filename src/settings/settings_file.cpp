#include "settings/settings_file.h"

#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "settings/settings_file_platform.h"
#include "settings/settings_store.h"

namespace {

char path_buffer[260];

// Numbers the saves of this process, so each writes a temporary file of its own.
unsigned save_number = 0;

bool is_separator(char c) {
    return c == '\\' || c == '/';
}

// Splits one piece in place; false when it lacks a key or a value.
bool split_piece(char* piece, char** key, char** value) {
    char* p = piece;
    while (*p == '\t') ++p;
    *key = p;
    while (*p && *p != '\t') ++p;
    if (*p != '\t') return false;
    *p++ = '\0';
    while (*p == '\n') ++p;
    *value = p;
    while (*p && *p != '\n') ++p;
    *p = '\0';
    return **key != '\0' && **value != '\0';
}

// "~<process>.<save>" in the target's folder: short, so it fits wherever the
// target does. Gives a heap text, or null.
char* temporary_path_for(const char* target) {
    std::size_t folder_length = std::strlen(target);
    while (folder_length > 0 && !is_separator(target[folder_length - 1])) --folder_length;
    char process[16];
    process_unique_suffix(process);
    char name[40];
    int name_length = std::snprintf(name, sizeof name, "~%s.%x", process, ++save_number & 0xfffu);
    if (name_length < 0 || static_cast<std::size_t>(name_length) >= sizeof name) return nullptr;
    std::size_t size = folder_length + static_cast<std::size_t>(name_length) + 1;
    char* path = static_cast<char*>(std::malloc(size));
    if (!path) return nullptr;
    std::memcpy(path, target, folder_length);
    std::memcpy(path + folder_length, name, static_cast<std::size_t>(name_length) + 1);
    return path;
}

bool write_pairs(std::FILE* file) {
    for (std::int32_t i = 0; i < settings_store.pair_count; ++i) {
        const Setting& pair = settings_store.pairs[i];
        if (std::fprintf(file, "%s\t%s\n", pair.key, pair.value) <= 0) return false;
    }
    return std::fflush(file) == 0 && std::ferror(file) == 0 && flush_file_to_disk(file);
}

// An editor's "UTF-8 with BOM" puts three bytes before the first key.
void skip_byte_order_mark(std::FILE* file) {
    static const unsigned char mark[] = {0xEF, 0xBB, 0xBF};
    unsigned char start[sizeof mark];
    const std::size_t got = std::fread(start, 1, sizeof start, file);
    if (got != sizeof mark || std::memcmp(start, mark, sizeof mark) != 0) std::rewind(file);
}

}  // namespace

char* settings_path(const char* format, ...) {
    path_buffer[0] = '\0';
    char app_data[sizeof path_buffer];
    std::size_t length = 0;
    const char* folder = ".";
    if (read_environment_ci("AppData", app_data, sizeof app_data, &length)) {
        if (length >= sizeof app_data) return nullptr;
        folder = app_data;
    }
    int used = std::snprintf(path_buffer, sizeof path_buffer, "%s\\mivrel\\", folder);
    if (used < 0 || static_cast<std::size_t>(used) >= sizeof path_buffer) {
        path_buffer[0] = '\0';
        return nullptr;
    }
    std::size_t room = sizeof path_buffer - static_cast<std::size_t>(used);
    std::va_list arguments;
    va_start(arguments, format);
    int added = std::vsnprintf(path_buffer + used, room, format, arguments);
    va_end(arguments);
    if (added < 0 || static_cast<std::size_t>(added) >= room) {
        path_buffer[0] = '\0';
        return nullptr;
    }
    return path_buffer;
}

bool load_settings_file(const char* path) {
    clear_settings();
    if (!path) return false;
    std::FILE* file = std::fopen(path, "rb");
    if (!file) return false;
    skip_byte_order_mark(file);
    char piece[1024];
    while (std::fgets(piece, sizeof piece, file)) {
        char* key;
        char* value;
        if (!split_piece(piece, &key, &value)) continue;
        if (!set_setting(key, value)) {
            std::fclose(file);
            return false;
        }
    }
    std::fclose(file);
    return true;
}

bool save_settings_file(const char* path) {
    if (!path || !*path) return false;
    char* temporary = temporary_path_for(path);
    if (!temporary) return false;
    bool saved = false;
    if (std::FILE* file = std::fopen(temporary, "wb")) {
        bool written = write_pairs(file);
        bool closed = std::fclose(file) == 0;
        saved = written && closed && replace_file(temporary, path);
        if (!saved) std::remove(temporary);
    }
    std::free(temporary);
    return saved;
}
