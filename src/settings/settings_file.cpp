#include "settings/settings_file.h"

#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "monitor/clock.h"
#include "settings/save_generation.h"
#include "settings/settings_file_platform.h"
#include "settings/settings_store.h"

std::atomic<std::uint64_t> saved_file_bytes{0};

namespace {

char path_buffer[path_capacity];

// Numbers the saves of this process, so each writes a temporary file of its
// own, on whichever thread.
std::atomic<unsigned> save_number{0};

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

constexpr char temporary_prefix[] = "~";

std::size_t folder_length_of(const char* path) {
    std::size_t length = std::strlen(path);
    while (length > 0 && !is_separator(path[length - 1])) --length;
    return length;
}

// The target's folder, ending in its separator ("" for a bare name).
bool folder_of(const char* path, char (&folder)[path_capacity]) {
    const std::size_t length = folder_length_of(path);
    if (length >= sizeof folder) return false;
    std::memcpy(folder, path, length);
    folder[length] = '\0';
    return true;
}

// One of this program's own names beside the target; false when it does not fit.
bool own_temporary_path(const char* target, char (&path)[path_capacity]) {
    const std::size_t folder_length = folder_length_of(target);
    char name[temporary_name_size];
    temporary_file_name(name, current_process_id(), ++save_number, std::strlen(target) - folder_length);
    const int length =
        std::snprintf(path, sizeof path, "%.*s%s", static_cast<int>(folder_length), target, name);
    return length > 0 && static_cast<std::size_t>(length) < sizeof path && path_fits(path);
}

bool unique_temporary_path(const char* target, char (&path)[path_capacity]) {
    char folder[path_capacity];
    return folder_of(target, folder) && create_unique_file(*folder ? folder : "./", path);
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

void skip_byte_order_mark(std::FILE* file) {
    char start[mark_length];
    const std::size_t got = std::fread(start, 1, sizeof start, file);
    if (got != mark_length || std::memcmp(start, byte_order_mark, mark_length) != 0) std::rewind(file);
}

// No deadline but each save's own, outside any scope of the thread.
thread_local std::int64_t shared_deadline_ns = INT64_MAX;
thread_local const std::atomic<bool>* cancel_flag = nullptr;

bool cancelled() {
    return cancel_flag && cancel_flag->load();
}

bool replace_patiently(const char* from, const char* to) {
    const std::int64_t deadline = save_deadline(monotonic_ns());
    ReplaceResult result = replace_in_order(from, to, file_replacer);
    while (!cancelled() && retry_replace_before(result, deadline, monotonic_ns())) {
        pause_before_retry();
        result = replace_in_order(from, to, file_replacer);
    }
    return result == ReplaceResult::replaced;
}

using TemporaryNamer = bool (*)(const char* target, char (&path)[path_capacity]);

bool write_and_replace(const char* path, ContentWriter write, void* context, TemporaryNamer name) {
    if (!path || !*path) return false;
    char temporary[path_capacity];
    if (!name(path, temporary)) return false;
    bool saved = false;
    if (std::FILE* file = open_file(temporary, "wb")) {
        const bool written =
            write(file, context) && std::fflush(file) == 0 && std::ferror(file) == 0 && file_flusher(file);
        const long size = std::ftell(file);
        const bool closed = std::fclose(file) == 0;
        saved = written && closed && replace_patiently(temporary, path);
        if (saved && size > 0) saved_file_bytes += static_cast<std::uint64_t>(size);
    }
    if (!saved) remove_file(temporary);
    return saved;
}

bool write_text(std::FILE* file, void* context) {
    const std::string& bytes = *static_cast<const std::string*>(context);
    return std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
}

bool copy_content(std::FILE* file, void* context) {
    std::FILE* from = static_cast<std::FILE*>(context);
    char block[65536];
    std::size_t got;
    while ((got = std::fread(block, 1, sizeof block, from)) > 0) {
        if (std::fwrite(block, 1, got, file) != got) return false;
    }
    return std::ferror(from) == 0;
}

}  // namespace

void temporary_file_name(char (&name)[temporary_name_size], unsigned long process, unsigned save,
                         std::size_t target_name_length) {
    const int used = std::snprintf(name, sizeof name, "%s%lx", temporary_prefix, process);
    if (used < 0 || static_cast<std::size_t>(used) + 2 > target_name_length) return;
    std::size_t digits = target_name_length - static_cast<std::size_t>(used) - 1;
    if (digits > 3) digits = 3;
    std::snprintf(name + used, sizeof name - static_cast<std::size_t>(used), ".%x",
                  save & ((1u << (4 * digits)) - 1));
}

bool temporary_file_writer(const char* name, unsigned long* process) {
    const std::size_t prefix = sizeof temporary_prefix - 1;
    if (std::strncmp(name, temporary_prefix, prefix) != 0) return false;
    const char* digits = name + prefix;
    const std::size_t process_digits = std::strspn(digits, "0123456789abcdef");
    if (process_digits == 0 || process_digits > 2 * sizeof(unsigned long)) return false;
    const char* save = digits + process_digits;
    if (*save == '.') {
        const std::size_t save_digits = std::strspn(save + 1, "0123456789abcdef");
        if (save_digits == 0 || save_digits > 3) return false;
        save += 1 + save_digits;
    }
    if (*save != '\0') return false;
    *process = std::strtoul(digits, nullptr, 16);
    return true;
}

// The file's own path is checked before any folder is made for it.
const char* settings_path_for_saving(const char* name) {
    if (!settings_path("%s", name)) return nullptr;
    const char* folder = settings_path("");
    if (!folder) return nullptr;
    make_folder(folder);
    return settings_path("%s", name);
}

void make_folder_of(const char* file) {
    char folder[path_capacity];
    if (folder_of(file, folder) && *folder) make_folder(folder);
}

FileReplacer file_replacer = replace_file;
FileFlusher file_flusher = flush_file_to_disk;

SaveCancelScope::SaveCancelScope(const std::atomic<bool>* flag) : outer(cancel_flag) {
    cancel_flag = flag;
}

SaveCancelScope::~SaveCancelScope() {
    cancel_flag = outer;
}

SaveDeadlineScope::SaveDeadlineScope(std::int64_t deadline_ns) : outer(shared_deadline_ns) {
    if (deadline_ns < shared_deadline_ns) shared_deadline_ns = deadline_ns;
}

SaveDeadlineScope::~SaveDeadlineScope() {
    shared_deadline_ns = outer;
}

std::int64_t save_deadline(std::int64_t now_ns) {
    const std::int64_t own = now_ns + replace_patience_ns;
    return own < shared_deadline_ns ? own : shared_deadline_ns;
}

bool retry_replace_before(ReplaceResult result, std::int64_t deadline_ns, std::int64_t now_ns) {
    return result == ReplaceResult::busy && now_ns < deadline_ns;
}

namespace {

// The folder's path and the formatted name into `path`; false (and an empty
// path) when it does not fit.
bool vformat_data_path(char* path, std::size_t size, DataFolder folder, const char* format,
                       std::va_list arguments) {
    path[0] = '\0';
    char base[path_capacity];
    std::size_t length = 0;
    const char* root = ".";
    const bool local =
        folder == DataFolder::local && read_environment_ci("LocalAppData", base, sizeof base, &length);
    if (local || read_environment_ci("AppData", base, sizeof base, &length)) {
        if (length >= sizeof base) return false;
        root = base;
    }
    const int used = std::snprintf(path, size, "%s\\mivrel\\", root);
    if (used < 0 || static_cast<std::size_t>(used) >= size) {
        path[0] = '\0';
        return false;
    }
    const std::size_t room = size - static_cast<std::size_t>(used);
    const int added = std::vsnprintf(path + used, room, format, arguments);
    if (added < 0 || static_cast<std::size_t>(added) >= room || !path_fits(path)) {
        path[0] = '\0';
        return false;
    }
    return true;
}

bool format_data_path(char* path, std::size_t size, DataFolder folder, const char* format, ...) {
    std::va_list arguments;
    va_start(arguments, format);
    const bool fits = vformat_data_path(path, size, folder, format, arguments);
    va_end(arguments);
    return fits;
}

}  // namespace

char* settings_path(const char* format, ...) {
    std::va_list arguments;
    va_start(arguments, format);
    const bool fits =
        vformat_data_path(path_buffer, sizeof path_buffer, DataFolder::roaming, format, arguments);
    va_end(arguments);
    return fits ? path_buffer : nullptr;
}

bool data_file_path(char (&path)[path_capacity], DataFolder folder, const char* name) {
    return format_data_path(path, sizeof path, folder, "%s", name);
}

FileRead read_pairs_file(const char* path, PairReader take, void* context) {
    if (!path) return FileRead::missing;
    std::FILE* file = open_file(path, "rb");
    if (!file) return file_exists(path) ? FileRead::unreadable : FileRead::missing;
    skip_byte_order_mark(file);
    char piece[1024];
    bool taken = true;
    while (taken && std::fgets(piece, sizeof piece, file)) {
        char* key;
        char* value;
        if (split_piece(piece, &key, &value)) taken = take(key, value, context);
    }
    // A read that failed part way is no end of the file.
    const bool whole = taken && std::ferror(file) == 0;
    std::fclose(file);
    return whole ? FileRead::read : FileRead::unreadable;
}

namespace {

bool store_pair(const char* key, const char* value, void* /*context*/) {
    return set_setting(key, value) != nullptr;
}

}  // namespace

bool load_settings_file(const char* path) {
    clear_settings();
    return read_pairs_file(path, store_pair, nullptr) == FileRead::read;
}

FileRead read_settings_file(const char* path) {
    clear_settings();
    const FileRead outcome = read_pairs_file(path, store_pair, nullptr);
    if (outcome != FileRead::read) clear_settings();
    return outcome;
}

bool retry_read_before(FileRead outcome, std::int64_t deadline_ns, std::int64_t now_ns) {
    return outcome == FileRead::unreadable && now_ns < deadline_ns;
}

void remove_abandoned_saves(const char* folder) {
    AbandonedSaves saves{folder, folder_length_of(folder)};
    list_folder(folder, temporary_prefix, remove_if_abandoned, &saves);
}

bool save_settings_file(const char* path) {
    return save_pairs_file(path, settings_store.pairs, settings_store.pair_count);
}

bool save_pairs_file(const char* path, const Setting* pairs, std::int32_t count) {
    return save_text_atomically(path, pairs_text(pairs, count));
}

std::string pairs_text(const Setting* pairs, std::int32_t count) {
    std::string text;
    // A first key that begins with the mark itself would lose it to the next
    // load, which skips a leading one: it is written after a mark of its own.
    if (count > 0 && std::strncmp(pairs[0].key, byte_order_mark, mark_length) == 0) text = byte_order_mark;
    for (std::int32_t i = 0; i < count; ++i) {
        text += pairs[i].key;
        text += '\t';
        text += pairs[i].value;
        text += '\n';
    }
    return text;
}

bool save_file_atomically(const char* path, ContentWriter write, void* context) {
    return write_and_replace(path, write, context, own_temporary_path);
}

bool export_file_atomically(const char* path, ContentWriter write, void* context) {
    return write_and_replace(path, write, context, unique_temporary_path);
}

bool save_text_atomically(const char* path, const std::string& bytes) {
    return save_file_atomically(path, write_text, const_cast<std::string*>(&bytes));
}

bool copy_file_atomically(const char* from, const char* to) {
    std::FILE* original = open_file(from, "rb");
    if (!original) return false;
    const bool copied = save_file_atomically(to, copy_content, original);
    std::fclose(original);
    return copied;
}
