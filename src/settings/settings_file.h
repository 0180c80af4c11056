// The settings file: its path under "AppData" and the moves of the whole store
// to and from it.
#pragma once

#include <cstdint>
#include <cstdio>

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

// Replaces the store's pairs with the file's. False when the file cannot be
// opened (the store is then empty) or the store runs out of memory (the pairs
// read so far stay). A null path counts as a file that cannot be opened.
bool load_settings_file(const char* path);

// Writes every pair as key, TAB, value, LF in store order. The content goes to a
// temporary file beside the target, which then replaces the target in one step,
// so a failed save leaves the previous file whole and no temporary file behind.
// A target that another program holds open is tried again for a while.
// False on any failure, including a null or empty path.
bool save_settings_file(const char* path);

// The same two moves for any list of pairs, which other files of the folder
// share. The reader hands each pair of the file to `take`, in file order, and
// stops with false when `take` does.
struct Setting;
using PairReader = bool (*)(const char* key, const char* value, void* context);
bool read_pairs_file(const char* path, PairReader take, void* context);
bool save_pairs_file(const char* path, const Setting* pairs, std::int32_t count);

// The same temporary-file-and-replace for any content: `write` puts it into
// the open temporary file and says whether all of it went. A target that
// another program holds open is tried again until `deadline_ns` on the
// monotonic clock (a deadline already past gives one try).
using ContentWriter = bool (*)(std::FILE* file, void* context);
bool save_file_atomically(const char* path, ContentWriter write, void* context, std::int64_t deadline_ns);
// The content bytes of every completed save of this process: what keeping
// the settings and the counts costs the disk.
extern std::uint64_t saved_file_bytes;

// Removes what saves killed between writing and replacing left in `folder`
// (which ends in its separator): temporary files of processes that no longer
// run. Those of running processes are being written, and stay.
void remove_abandoned_saves(const char* folder);

// How long a save waits for a target that another program holds open.
constexpr std::int64_t replace_patience_ns = 2'000'000'000;

// Whether a replace that gave `result` is tried again, `now_ns` on the
// monotonic clock, the first try having been at `started_ns`.
bool keep_trying_replace(ReplaceResult result, std::int64_t started_ns, std::int64_t now_ns);
