// One thread writes the files that the window's thread hands over, so that a
// busy disk, a folder on a network share or a file that another program holds
// never stalls the graph. Each kind of file has one place in the queue: a
// newer job takes the place of one still waiting, so that an older content is
// never written after a newer one. Exports are the user's files, each its own:
// they queue one behind another, and none takes another's place.
#pragma once

#include <cstdint>
#include <functional>

enum class SaveSlot { usage, settings, exported, tidying, count };

// A job writes its snapshot and tells whether it went; it owns what it writes.
using SaveJob = std::function<bool()>;

// Starts the thread; until then, and once it is let go, a job runs at once
// on the thread that hands it over.
void start_save_worker();

// The exit's first step: the thread takes no more jobs, the jobs still waiting
// are dropped (the final saves write what is newer; exports keep their own
// list), and the job being written stops waiting for a held file. That job is
// left to finish while the final saves go ahead: a replace of an older
// snapshot never lands over a newer one (see SaveGenerationScope).
void let_save_worker_go();

// Waits, until `deadline_ns` on the monotonic clock at the latest, for the job
// of the thread let go; a thread still writing then is left to the process's
// end, and touches nothing that ends before it.
void end_save_worker(std::int64_t deadline_ns);

// Both, waiting as long as the job takes: nothing is written by the worker
// afterwards.
void stop_save_worker();

// Gives `job` to the worker, in `slot`'s place. True when it was handed over,
// or ran here and went.
bool queue_save(SaveSlot slot, SaveJob job);

// Waits, until `deadline_ns` on the monotonic clock at the latest, for every
// job handed over so far to be done; true when they are.
bool wait_for_saves(std::int64_t deadline_ns);

// For tests: while held (and no thread runs), jobs wait in their places until
// `run_held_saves` runs them, one at a time, in the worker's order.
void hold_saves(bool held);
void run_held_saves();
// How many jobs of `slot` have been handed over since the start: tests tell
// by it what a step of the program queued.
std::uint64_t saves_queued(SaveSlot slot);
