// The process's one ordered table of key/value texts.
#pragma once

#include <cstddef>
#include <cstdint>

struct Setting {
    char* key;
    char* value;
};

struct SettingsStore {
    Setting* pairs;
    std::int32_t pair_capacity;
    std::int32_t pair_count;
};

extern SettingsStore settings_store;

// Releases every pair and the array; the store is empty with capacity 0 afterwards.
void clear_settings();
// The pair whose key equals `key` exactly (case-sensitive), or null.
Setting* find_setting(const char* key);
// Stores copies of both texts: a known key keeps its place, a new one goes last.
// Gives the store's own copy of the value, or null when memory runs out; a
// failed copy leaves the store as it was (an existing key keeps its old value).
const char* set_setting(const char* key, const char* value);

// Every block the store takes comes from this realloc-like function, so tests
// can make allocations fail; null restores the standard realloc.
using SettingsReallocate = void* (*)(void* block, std::size_t size);
void set_settings_reallocate(SettingsReallocate reallocate);
