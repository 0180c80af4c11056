// The order of the saves of one file across threads: a write still in flight
// when the final saves begin never lands over them.
#pragma once

#include <cstdint>

#include "settings/settings_file_platform.h"

// A number for a snapshot, taken when it is taken: later snapshots have higher ones.
std::uint64_t next_save_generation();

// While one is in effect, on its thread, the saves within it carry that
// snapshot's generation. Saves outside any scope (exports, copies) are not
// ordered.
struct SaveGenerationScope {
    explicit SaveGenerationScope(std::uint64_t generation);
    ~SaveGenerationScope();
    SaveGenerationScope(const SaveGenerationScope&) = delete;
    SaveGenerationScope& operator=(const SaveGenerationScope&) = delete;
    std::uint64_t outer;
};

// One try of `replace`, from the temporary file to the target `to`, unless
// the save is older than the newest already put in place at `to`: it is then
// abandoned, as a failure (its temporary file is removed by the caller).
using Replace = ReplaceResult (*)(const char* from, const char* to);
ReplaceResult replace_in_order(const char* from, const char* to, Replace replace);
