// Files the program sets aside in its own folders rather than write over
// them or leave them where they would be read: a history that could not be
// read whole, a usage.cfg left in the roaming folder after the counts moved.
// Each gets a name of its own, "<stem>.<kind>-YYYY-MM-DD-HHMMSS<extension>",
// with "-2", "-3" and so on before the extension when that name is taken, so
// that none ever takes the place of another.
#pragma once

#include <cstddef>

struct SetAsideKind {
    const char* stem;
    const char* kind;
    const char* extension;
    const char* earlier_name;  // the one name earlier versions gave, or null
};

constexpr SetAsideKind damaged_history{"usage-history", "bad", ".csv", "usage-history.bad.csv"};
constexpr SetAsideKind roamed_usage{"usage", "moved", ".cfg", nullptr};

constexpr std::size_t set_aside_name_size = 64;

// Renames the file at `path` to a new name of that kind beside it, and gives
// the name; false (the file left where it was) when it could not be renamed.
bool set_file_aside(const char* path, const SetAsideKind& kind, char (&name)[set_aside_name_size]);

// Whether the program gives files of that kind such a name: the pattern
// exactly, so that no file of another program is ever taken for one.
bool is_set_aside_name(const char* name, const SetAsideKind& kind);

// Calls `visit` with each such name in `folder` (ending in its separator).
using SetAsideVisitor = void (*)(const char* name, void* context);
void list_set_aside_files(const char* folder, const SetAsideKind& kind, SetAsideVisitor visit, void* context);
