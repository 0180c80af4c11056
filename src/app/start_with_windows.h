// Starting at logon: the value "mivrel" under the user's Run key, holding the
// program's full path in quotes. The only thing mivrel keeps in the registry;
// the settings file holds nothing of it.
#pragma once

// Whether the value is there, whatever it names: what the menu's check mark shows.
bool starts_with_windows();

// Writes the running program into the value, or removes the value.
void set_start_with_windows(bool on);

// The menu command: registered becomes unregistered and the other way round.
void toggle_start_with_windows();

// At start: a value naming a program that is gone (moved, or its folder
// deleted) is pointed at the running one. One naming another copy that is
// still there is left alone.
void repair_start_with_windows();

// Whether a Run value names no program that is still there. A quoted path is
// the text between the quotes, whatever follows it; an unquoted one may hold
// blanks, so each stretch up to a blank (and the whole) is a candidate, as the
// platform tries them. Only candidates that `is_gone` reports gone for sure count.
bool run_value_is_stale(const wchar_t* value, bool (*is_gone)(const wchar_t* path));
