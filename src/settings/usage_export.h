// "Export...": the whole history, today's counts included, in
// usage-history.csv's format, written to files of the user's choosing. Every
// export asked for is written, in the order asked, or reported as failed; one
// that the exit could not write is noted in usage.cfg and told at the next
// start.
#pragma once

#include <cstdint>
#include <string>

// `path` is UTF-8. `done` hears, on the thread that wrote it (the save
// worker's, or at exit the window's), whether it went.
using ExportDone = void (*)(bool exported, const char* path, void* context);
// Takes a copy of the counts as they are now, for the worker to write.
void export_usage(const char* path, ExportDone done, void* context);

// The exit's, once the worker is let go: the exports still waiting, written
// on this thread, oldest first, while `deadline_ns` lies ahead.
void write_waiting_exports(std::int64_t deadline_ns);

// How many exports are asked for and not yet written, waiting or being written.
int unwritten_export_count();

// usage.cfg's lines that note exports: those an earlier run left unwritten
// and that are not told yet, and with `unwritten` this run's not yet written.
std::string export_note_lines(bool unwritten);
// At start: the exports that usage.cfg at `path` notes are the ones to tell.
void read_export_notes(const char* path);
// The first of them, and how many there are (0, and null: none).
const char* untold_export(int* count);
// They have been told: the next usage.cfg leaves them out.
void exports_told();
