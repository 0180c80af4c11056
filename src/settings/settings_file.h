// The settings file: its path under "AppData" and the moves of the whole store
// to and from it.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <cstdio>

#include <string>

#include "settings/settings_file_platform.h"

// Fills the process-wide path buffer with the settings folder
// ("AppData", or "." when unset, then "\mivrel\") followed by the formatted
// text, and gives it; the next call overwrites it. "settings.cfg" gives the
// file, "" the folder ending in its separator. Gives null (and leaves the
// buffer empty) when the path would not fit in 259 of the platform's
// characters: a path cut short would name some other file.
// No printf format attribute: the folder is asked for with the empty format.
char* settings_path(const char* format, ...);

// The path of the named file in the settings folder, with the folder made,
// for a save; null when the path does not fit, and then no folder is made.
const char* settings_path_for_saving(const char* name);

// The two folders of the program's files: the settings roam with the user's
// profile ("AppData"); the counts belong to this machine ("LocalAppData", or
// the settings folder where that is not set).
enum class DataFolder { roaming, local };
// The named file in that folder (or the folder itself, ending in its
// separator, for ""), in the caller's buffer, so that any thread may ask;
// false (and an empty path) when it does not fit.
bool data_file_path(char (&path)[path_capacity], DataFolder folder, const char* name);

// Makes the folder a file's path names, for a save off the window's thread.
void make_folder_of(const char* file);

// How reading one of the program's files went. A file that is there but
// could not be read whole (another program holds it, or a read failed part
// way) is never taken for a missing one: it must not be written over.
enum class FileRead { read, missing, unreadable };

// Replaces the store's pairs with the file's. False when the file cannot be
// opened (the store is then empty) or the store runs out of memory (the pairs
// read so far stay). A null path counts as a file that cannot be opened.
bool load_settings_file(const char* path);
// The same, telling how: on anything but `read` the store is empty. A store
// that runs out of memory has not taken the file whole either.
FileRead read_settings_file(const char* path);

// Whether a read that gave `outcome` is tried again, the file being held by
// another program for a moment, before the save's deadline (below).
bool retry_read_before(FileRead outcome, std::int64_t deadline_ns, std::int64_t now_ns);

// Writes every pair as key, TAB, value, LF in store order. The content goes to a
// temporary file beside the target, which then replaces the target in one step,
// so a failed save leaves the previous file whole and no temporary file behind.
// A target that another program holds open is tried again until the save's
// deadline (below).
// False on any failure, including a null or empty path.
bool save_settings_file(const char* path);

// The same two moves for any list of pairs, which other files of the folder
// share. The reader hands each pair of the file to `take`, in file order, and
// stops when `take` refuses one, which leaves the file not read whole. A null
// path is a missing file.
struct Setting;
using PairReader = bool (*)(const char* key, const char* value, void* context);
FileRead read_pairs_file(const char* path, PairReader take, void* context);
bool save_pairs_file(const char* path, const Setting* pairs, std::int32_t count);
// The bytes such a file holds: key, TAB, value, LF for each pair, in order.
std::string pairs_text(const Setting* pairs, std::int32_t count);

// The name of a save's temporary file: "~<process>.<save>" in hex, never
// longer than the target's name where "~<process>" alone is not, so that it
// fits wherever the target does. The save's digits are cut to the room left,
// or left out with their dot: the saves of one process follow one another.
constexpr std::size_t temporary_name_size = 24;
void temporary_file_name(char (&name)[temporary_name_size], unsigned long process, unsigned save,
                         std::size_t target_name_length);
// The process that wrote a temporary file of this program, or false for any
// other name.
bool temporary_file_writer(const char* name, unsigned long* process);

// The same temporary-file-and-replace for any content: `write` puts it into
// the open temporary file and says whether all of it went. A target that
// another program holds open is tried again within the save's deadline (below).
using ContentWriter = bool (*)(std::FILE* file, void* context);
bool save_file_atomically(const char* path, ContentWriter write, void* context);
// The same into a folder of the user's choosing: the temporary file gets a
// name the platform makes unique there, and is all that a failure removes.
bool export_file_atomically(const char* path, ContentWriter write, void* context);
// Writes `bytes` as the whole of the file at `path`, as above.
bool save_text_atomically(const char* path, const std::string& bytes);
// The content bytes of every completed save of this process: what keeping
// the settings and the counts costs the disk.
extern std::atomic<std::uint64_t> saved_file_bytes;

// Removes what saves killed between writing and replacing left in `folder`
// (one of the program's own, ending in its separator): temporary files of
// processes that no longer run. Those of running processes are being
// written, and stay.
void remove_abandoned_saves(const char* folder);

// Copies a file whole by the same temporary-file-and-replace, so that the
// copy is complete before it bears the target's name, on any volume.
bool copy_file_atomically(const char* from, const char* to);

// How long a save waits for a target that another program holds open.
constexpr std::int64_t replace_patience_ns = 2'000'000'000;

// While one is in effect, on its thread, saves stop waiting for a held
// target as soon as `*flag` is set: the save worker's way to be stopped.
struct SaveCancelScope {
    explicit SaveCancelScope(const std::atomic<bool>* flag);
    ~SaveCancelScope();
    SaveCancelScope(const SaveCancelScope&) = delete;
    SaveCancelScope& operator=(const SaveCancelScope&) = delete;
    const std::atomic<bool>* outer;
};

// Until when, on the monotonic clock, saves try again a target that another
// program holds open. A save waits `replace_patience_ns` of its own, unless a
// scope gives the saves within it one deadline together (the final saves,
// which the end of a logon allows only a few seconds) or a single try each.
// Scopes nest, on their own thread; the earlier deadline holds.
struct SaveDeadlineScope {
    explicit SaveDeadlineScope(std::int64_t deadline_ns);
    ~SaveDeadlineScope();
    SaveDeadlineScope(const SaveDeadlineScope&) = delete;
    SaveDeadlineScope& operator=(const SaveDeadlineScope&) = delete;
    std::int64_t outer;
};
constexpr std::int64_t single_try = INT64_MIN;

// The deadline of a save that starts at `now_ns`.
std::int64_t save_deadline(std::int64_t now_ns);

// Whether a replace that gave `result` at `now_ns` is tried again.
bool retry_replace_before(ReplaceResult result, std::int64_t deadline_ns, std::int64_t now_ns);

// The platform's replace and flush, behind pointers through which tests count
// the tries, refuse them or make them slow.
using FileReplacer = ReplaceResult (*)(const char* from, const char* to);
extern FileReplacer file_replacer;
using FileFlusher = bool (*)(std::FILE* file);
extern FileFlusher file_flusher;
