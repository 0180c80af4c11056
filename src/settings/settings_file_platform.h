// The few file and environment services that differ between platforms.
// Paths are UTF-8 on Windows, converted for each call to the wide API so that
// a user folder the ANSI code page cannot spell still works; elsewhere they
// are the system's bytes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>

// Room for any path the platform takes, terminator included: 259 UTF-16 units
// may need three bytes each in UTF-8.
constexpr std::size_t path_capacity = 1024;

// Looks an environment variable up without regard to letter case. False when it
// is not set; otherwise its length goes to `length`, and the value (terminated)
// is in `buffer` only when that length is below `size`. A value that does not
// fit, or cannot be written as text, gives a length of at least `size`.
bool read_environment_ci(const char* name, char* buffer, std::size_t size, std::size_t* length);

// False when the platform's file calls cannot take `path`: longer than 259
// of its units, or not text it can convert.
bool path_fits(const char* path);

// This process's id, which no other running process has.
unsigned long current_process_id();
// False once the process has ended (or never was).
bool process_is_running(unsigned long id);

std::FILE* open_file(const char* path, const char* mode);
bool remove_file(const char* path);

// Makes `folder` (ending in its separator) and the folders above it, unless it
// is a folder already; a relative one lies under the working folder. Windows
// makes none whose full path, separator included, reaches `folder_path_limit`
// UTF-16 units: the shell documents that limit, and would make only some of the
// folders above. A longer one that is there is still used.
void make_folder(const char* folder);
constexpr std::size_t folder_path_limit = 248;
// Removes `folder` (ending in its separator) when it is empty.
bool remove_folder(const char* folder);

// Calls `visit` with the name of every entry of `folder` (ending in its
// separator) whose name starts with `prefix`.
void list_folder(const char* folder, const char* prefix, void (*visit)(const char* name, void* context),
                 void* context);

// Pushes a written, flushed file's data to the disk.
bool flush_file_to_disk(std::FILE* file);

// Makes a new, empty file of a name no other file in `folder` (ending in its
// separator) has, and gives its path; false when none could be made.
bool create_unique_file(const char* folder, char (&path)[path_capacity]);

enum class ReplaceResult {
    replaced,
    // Another program has the target open for a moment (a scanner, an
    // indexer): trying again later may succeed.
    busy,
    failed,
};

// Puts `from` in the place of `to` in one step, replacing an existing `to`.
ReplaceResult replace_file(const char* from, const char* to);

// Windows: what a replace refused with `error` means, the target having
// `target_attributes`. Access denied is a program holding the target, unless
// the target is read-only or a folder, which no wait changes.
ReplaceResult replace_refusal(unsigned long error, unsigned long target_attributes);

// Waits a little before a busy file is tried again.
void pause_before_retry();

// Whether anything by that name is there, readable or not.
bool file_exists(const char* path);

// Gives `from` the name `to`, unless something by that name is there already:
// never in the place of another file.
bool move_file_new(const char* from, const char* to);

// What tells one version of a file from another: its last write and size.
struct FileStamp {
    std::uint64_t written;
    std::uint64_t size;
};
bool read_file_stamp(const char* path, FileStamp* stamp);
// What tells a file or folder from every other, whatever the path that names
// it: its volume and its number there. False when nothing can be opened there.
struct FileIdentity {
    unsigned long long volume;
    unsigned long long index;
};
bool file_identity(const char* path, FileIdentity* identity);

// Between the ANSI code page of the program's texts and UTF-8, as files that
// people open elsewhere want them; false (and an empty text) when the text
// does not fit in `size` bytes. Elsewhere both are the system's bytes.
bool ansi_to_utf8(const char* ansi, char* utf8, std::size_t size);
// The way back is exact or refused (with an empty text): bytes that are no
// UTF-8, or a character the code page has no exact spelling for, would
// otherwise become '?', and two names one.
enum class AnsiText { converted, too_long, not_utf8, not_spelt };
AnsiText utf8_to_ansi(const char* utf8, char* ansi, std::size_t size);
// For a text only shown (a path in a balloon): a character the code page
// lacks takes its best fit. False when it does not fit.
bool utf8_to_ansi_shown(const char* utf8, char* ansi, std::size_t size);
