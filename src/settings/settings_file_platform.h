// The few file and environment services that differ between platforms.
#pragma once

#include <cstddef>
#include <cstdio>

// Looks an environment variable up without regard to letter case. False when it
// is not set; otherwise its length goes to `length`, and the value (terminated)
// is in `buffer` only when that length is below `size`.
bool read_environment_ci(const char* name, char* buffer, std::size_t size, std::size_t* length);

// This process's id, which no other running process has.
unsigned long current_process_id();
// False once the process has ended (or never was).
bool process_is_running(unsigned long id);

// Calls `visit` with the name of every entry of `folder` (ending in its
// separator) whose name starts with `prefix`.
void list_folder(const char* folder, const char* prefix, void (*visit)(const char* name, void* context),
                 void* context);

// Pushes a written, flushed file's data to the disk.
bool flush_file_to_disk(std::FILE* file);

// Puts `from` in the place of `to` in one step, replacing an existing `to`.
bool replace_file(const char* from, const char* to);
