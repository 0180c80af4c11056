// Keeping the counts: when the interface table is read, when usage.cfg and
// usage-history.csv are written (by the save worker, from snapshots the
// window's thread takes), and what a start, a sleep and an exit do with them.
// Where each count lives, and why a crash loses nothing of it, is told in
// usage_file.h.
#pragma once

#include <cstdint>

#include "monitor/data_plan.h"
#include "settings/set_aside_files.h"

// At start: this machine's counts taken over from the settings folder where an
// earlier version kept them, the history and usage.cfg read, and a first
// reading, which counts what this boot carried while the program was not
// running; its base is handed to the worker at once. A usage.cfg that another
// program holds is tried again until the save's deadline; still unread, it
// is tried every 10 s on the worker, and nothing is written meanwhile.
void load_usage();

// Each tick: takes in what the worker wrote; reads the interface table every
// 10 s and counts; hands a snapshot to the worker at a change of date (the
// history with it), at a new counter base or a moved clock, and otherwise
// when something changed and the last one is a minute old on the monotonic
// clock. Never waits on a disk.
void keep_usage(std::int64_t now_ns);

// With the settings (OK in a dialog): a snapshot of usage.cfg to the worker.
bool save_usage();

// The last saves, with the worker let go: a last reading, usage.cfg (noting
// the exports not yet written) and then, when it is in place, the history.
// False when usage.cfg could not be written.
bool finish_usage();

// After the exit's exports, while `deadline_ns` lies ahead: usage.cfg again
// when an export it notes has been written since.
void renote_exports(std::int64_t deadline_ns);

// Before the system sleeps: a reading, so that the last seconds count to their
// own date, handed to the worker and waited for until `deadline_ns`. After it
// wakes: a reading at once.
void suspend_usage(std::int64_t deadline_ns);
void resume_usage(std::int64_t now_ns);

// The data plan's warnings already given: what usage.cfg held at the start,
// and, handed down by the plan's watch whenever they change, what it keeps.
PlanWarningState stored_plan_warnings();
void keep_plan_warnings(const PlanWarningState& warnings);

// True once after a history file that could not be read whole was set aside,
// with the name it was given, so that the Usage window says so once.
bool take_history_set_aside_notice(char (&name)[set_aside_name_size]);

// usage.cfg is there but has not been read: no save may replace it.
bool usage_unread();
// The user chose, at a warning, to replace it with this run's counts.
void replace_unread_usage();

// For "Reset Config and Exit...", with the worker stopped: usage.cfg, the
// history and every file set aside, in both folders.
void delete_usage();

constexpr std::int64_t usage_write_interval_ns = 60'000'000'000;
// Ticks come about a second apart: half a second early keeps readings within 10 s.
constexpr std::int64_t usage_read_interval_ns = 9'500'000'000;
// Windows gives a program about 2 s before it may sleep.
constexpr std::int64_t suspend_patience_ns = 1'500'000'000;
// Two computations of the system's start in one boot differ by the clock's
// adjustments since; more than this is another boot.
constexpr std::int64_t same_boot_tolerance_s = 10;
