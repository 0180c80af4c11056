#include "settings/settings_file.h"

#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "monitor/clock.h"
#include "settings/settings_file_platform.h"
#include "settings/settings_store.h"

std::uint64_t saved_file_bytes = 0;

namespace {

char path_buffer[path_capacity];

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

// Temporary files are "~<process>.<save>", both in hex, in the target's folder:
// short, so they fit wherever the target does.
constexpr char temporary_prefix[] = "~";
constexpr unsigned save_number_mask = 0xfff;

std::size_t folder_length_of(const char* path) {
    std::size_t length = std::strlen(path);
    while (length > 0 && !is_separator(path[length - 1])) --length;
    return length;
}

// Gives a heap text, or null.
char* temporary_path_for(const char* target) {
    const std::size_t folder_length = folder_length_of(target);
    char name[40];
    int name_length = std::snprintf(name, sizeof name, "%s%lx.%x", temporary_prefix, current_process_id(),
                                    ++save_number & save_number_mask);
    if (name_length < 0 || static_cast<std::size_t>(name_length) >= sizeof name) return nullptr;
    std::size_t size = folder_length + static_cast<std::size_t>(name_length) + 1;
    char* path = static_cast<char*>(std::malloc(size));
    if (!path) return nullptr;
    std::memcpy(path, target, folder_length);
    std::memcpy(path + folder_length, name, static_cast<std::size_t>(name_length) + 1);
    return path;
}

// The process that wrote a temporary file of this program, or false for any
// other name.
bool temporary_file_writer(const char* name, unsigned long* process) {
    const std::size_t prefix = sizeof temporary_prefix - 1;
    if (std::strncmp(name, temporary_prefix, prefix) != 0) return false;
    const char* digits = name + prefix;
    const std::size_t process_digits = std::strspn(digits, "0123456789abcdef");
    if (process_digits == 0 || process_digits > 2 * sizeof(unsigned long) || digits[process_digits] != '.')
        return false;
    const char* save = digits + process_digits + 1;
    const std::size_t save_digits = std::strspn(save, "0123456789abcdef");
    if (save_digits == 0 || save_digits > 3 || save[save_digits] != '\0') return false;
    *process = std::strtoul(digits, nullptr, 16);
    return true;
}

struct AbandonedSaves {
    const char* folder;
    std::size_t folder_length;
};

void remove_if_abandoned(const char* name, void* context) {
    const auto& saves = *static_cast<const AbandonedSaves*>(context);
    unsigned long writer = 0;
    if (!temporary_file_writer(name, &writer) || process_is_running(writer)) return;
    char path[path_capacity];
    const int length =
        std::snprintf(path, sizeof path, "%.*s%s", static_cast<int>(saves.folder_length), saves.folder, name);
    if (length > 0 && static_cast<std::size_t>(length) < sizeof path) remove_file(path);
}

// UTF-8's byte-order mark, which editors may put before the first key.
constexpr char byte_order_mark[] = "\xEF\xBB\xBF";
constexpr std::size_t mark_length = sizeof byte_order_mark - 1;

bool write_pairs(std::FILE* file, const Setting* pairs, std::int32_t count) {
    // A first key that begins with the mark itself would lose it to the next
    // load, which skips a leading one: it is written after a mark of its own.
    const bool marked = count > 0 && std::strncmp(pairs[0].key, byte_order_mark, mark_length) == 0;
    if (marked && std::fwrite(byte_order_mark, 1, mark_length, file) != mark_length) return false;
    for (std::int32_t i = 0; i < count; ++i) {
        if (std::fprintf(file, "%s\t%s\n", pairs[i].key, pairs[i].value) <= 0) return false;
    }
    return true;
}

struct PairList {
    const Setting* pairs;
    std::int32_t count;
};

bool write_pair_list(std::FILE* file, void* context) {
    const PairList& list = *static_cast<const PairList*>(context);
    return write_pairs(file, list.pairs, list.count);
}

void skip_byte_order_mark(std::FILE* file) {
    char start[mark_length];
    const std::size_t got = std::fread(start, 1, sizeof start, file);
    if (got != mark_length || std::memcmp(start, byte_order_mark, mark_length) != 0) std::rewind(file);
}

// A deadline stands for a first try that much patience before it.
bool replace_until(const char* from, const char* to, std::int64_t deadline_ns) {
    const std::int64_t started = deadline_ns - replace_patience_ns;
    ReplaceResult result = replace_file(from, to);
    while (keep_trying_replace(result, started, monotonic_ns())) {
        pause_before_retry();
        result = replace_file(from, to);
    }
    return result == ReplaceResult::replaced;
}

}  // namespace

// The file's own path is checked before any folder is made for it.
const char* settings_path_for_saving(const char* name) {
    if (!settings_path("%s", name)) return nullptr;
    const char* folder = settings_path("");
    if (!folder) return nullptr;
    make_folder(folder);
    return settings_path("%s", name);
}

bool keep_trying_replace(ReplaceResult result, std::int64_t started_ns, std::int64_t now_ns) {
    return result == ReplaceResult::busy && now_ns - started_ns < replace_patience_ns;
}

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
    if (added < 0 || static_cast<std::size_t>(added) >= room || !path_fits(path_buffer)) {
        path_buffer[0] = '\0';
        return nullptr;
    }
    return path_buffer;
}

bool read_pairs_file(const char* path, PairReader take, void* context) {
    if (!path) return false;
    std::FILE* file = open_file(path, "rb");
    if (!file) return false;
    skip_byte_order_mark(file);
    char piece[1024];
    while (std::fgets(piece, sizeof piece, file)) {
        char* key;
        char* value;
        if (!split_piece(piece, &key, &value)) continue;
        if (!take(key, value, context)) {
            std::fclose(file);
            return false;
        }
    }
    std::fclose(file);
    return true;
}

namespace {

bool store_pair(const char* key, const char* value, void* /*context*/) {
    return set_setting(key, value) != nullptr;
}

}  // namespace

bool load_settings_file(const char* path) {
    clear_settings();
    return read_pairs_file(path, store_pair, nullptr);
}

void remove_abandoned_saves(const char* folder) {
    AbandonedSaves saves{folder, folder_length_of(folder)};
    list_folder(folder, temporary_prefix, remove_if_abandoned, &saves);
}

bool save_settings_file(const char* path) {
    return save_pairs_file(path, settings_store.pairs, settings_store.pair_count);
}

bool save_pairs_file(const char* path, const Setting* pairs, std::int32_t count) {
    PairList list{pairs, count};
    return save_file_atomically(path, write_pair_list, &list, monotonic_ns() + replace_patience_ns);
}

bool save_file_atomically(const char* path, ContentWriter write, void* context, std::int64_t deadline_ns) {
    if (!path || !*path) return false;
    // Before writing: a leftover may be what fills the disk.
    char folder[path_capacity];
    const std::size_t folder_length = folder_length_of(path);
    if (folder_length > 0 && folder_length < sizeof folder) {
        std::memcpy(folder, path, folder_length);
        folder[folder_length] = '\0';
        remove_abandoned_saves(folder);
    }
    char* temporary = temporary_path_for(path);
    if (!temporary) return false;
    bool saved = false;
    if (std::FILE* file = open_file(temporary, "wb")) {
        const bool written = write(file, context) && std::fflush(file) == 0 && std::ferror(file) == 0 &&
                             flush_file_to_disk(file);
        const long size = std::ftell(file);
        const bool closed = std::fclose(file) == 0;
        saved = written && closed && replace_until(temporary, path, deadline_ns);
        if (saved && size > 0) saved_file_bytes += static_cast<std::uint64_t>(size);
        if (!saved) remove_file(temporary);
    }
    std::free(temporary);
    return saved;
}
