#include "settings/settings_store.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>

SettingsStore settings_store = {nullptr, 0, 0};

namespace {

constexpr std::int32_t growth = 32;

// Where each key sits in `pairs`, so a lookup costs the same for any number of
// pairs: open addressing with linear probing over a power-of-two table kept at
// most half full. Pairs only ever go all at once, so no bucket is ever emptied.
struct Bucket {
    std::uint32_t hash;
    std::int32_t slot;  // position in `pairs` plus one; 0 marks an empty bucket
};

struct SettingsIndex {
    Bucket* buckets;
    std::size_t bucket_count;  // 0 or a power of two
    // The first `indexed` pairs are in the table; any after them (when memory
    // for a larger table was refused) are found by scanning.
    std::int32_t indexed;
};

SettingsIndex settings_index = {nullptr, 0, 0};

void* standard_reallocate(void* block, std::size_t size) {
    return std::realloc(block, size);
}

SettingsReallocate reallocate = standard_reallocate;

char* copy_text(const char* text) {
    std::size_t size = std::strlen(text) + 1;
    char* copy = static_cast<char*>(reallocate(nullptr, size));
    if (copy) std::memcpy(copy, text, size);
    return copy;
}

bool make_room() {
    SettingsStore& store = settings_store;
    if (store.pair_count < store.pair_capacity) return true;
    if (store.pair_capacity > INT32_MAX - growth) return false;
    std::int32_t capacity = store.pair_capacity + growth;
    void* grown = reallocate(store.pairs, sizeof(Setting) * static_cast<std::size_t>(capacity));
    if (!grown) return false;
    store.pairs = static_cast<Setting*>(grown);
    store.pair_capacity = capacity;
    return true;
}

// FNV-1a, its bits then mixed so that the low ones alone spread keys well.
std::uint32_t hash_key(const char* key) {
    std::uint32_t hash = 2166136261u;
    for (const unsigned char* p = reinterpret_cast<const unsigned char*>(key); *p; ++p) {
        hash = (hash ^ *p) * 16777619u;
    }
    hash ^= hash >> 16;
    hash *= 0x85ebca6bu;
    hash ^= hash >> 13;
    return hash;
}

void place(Bucket* buckets, std::size_t bucket_count, std::uint32_t hash, std::int32_t slot) {
    const std::size_t mask = bucket_count - 1;
    std::size_t at = hash & mask;
    while (buckets[at].slot != 0) at = (at + 1) & mask;
    buckets[at] = {hash, slot + 1};
}

Setting* find_hashed(const char* key, std::uint32_t hash) {
    SettingsStore& store = settings_store;
    const SettingsIndex& index = settings_index;
    if (index.bucket_count != 0) {
        const std::size_t mask = index.bucket_count - 1;
        for (std::size_t at = hash & mask; index.buckets[at].slot != 0; at = (at + 1) & mask) {
            const Bucket& bucket = index.buckets[at];
            Setting& pair = store.pairs[bucket.slot - 1];
            if (bucket.hash == hash && std::strcmp(pair.key, key) == 0) return &pair;
        }
    }
    for (std::int32_t i = index.indexed; i < store.pair_count; ++i) {
        if (std::strcmp(store.pairs[i].key, key) == 0) return &store.pairs[i];
    }
    return nullptr;
}

// Takes in the pair just added last. A table that would pass half full is
// rebuilt at least twice as large, so the rebuilds cost a constant per pair.
void index_last_pair(std::uint32_t hash) {
    SettingsIndex& index = settings_index;
    const std::int32_t count = settings_store.pair_count;
    const std::size_t wanted = static_cast<std::size_t>(count) * 2;
    if (index.indexed == count - 1 && wanted <= index.bucket_count) {
        place(index.buckets, index.bucket_count, hash, count - 1);
        index.indexed = count;
        return;
    }
    if (wanted > SIZE_MAX / sizeof(Bucket)) return;
    std::size_t bucket_count = 64;
    while (bucket_count < wanted) bucket_count *= 2;
    // The C library's, not `reallocate`: losing the index costs only speed, so
    // the blocks tests count and fail stay those that hold the settings.
    Bucket* buckets = static_cast<Bucket*>(std::calloc(bucket_count, sizeof(Bucket)));
    if (!buckets) return;
    for (std::int32_t i = 0; i < count - 1; ++i) {
        place(buckets, bucket_count, hash_key(settings_store.pairs[i].key), i);
    }
    place(buckets, bucket_count, hash, count - 1);
    std::free(index.buckets);
    index = {buckets, bucket_count, count};
}

}  // namespace

void set_settings_reallocate(SettingsReallocate replacement) {
    reallocate = replacement ? replacement : standard_reallocate;
}

void clear_settings() {
    SettingsStore& store = settings_store;
    if (store.pair_capacity != 0) {
        for (std::int32_t i = 0; i < store.pair_count; ++i) {
            std::free(store.pairs[i].key);
            std::free(store.pairs[i].value);
        }
        std::free(store.pairs);
        store.pairs = nullptr;
    }
    store.pair_capacity = 0;
    store.pair_count = 0;
    std::free(settings_index.buckets);
    settings_index = {nullptr, 0, 0};
}

Setting* find_setting(const char* key) {
    return find_hashed(key, hash_key(key));
}

const char* set_setting(const char* key, const char* value) {
    const std::uint32_t hash = hash_key(key);
    if (Setting* pair = find_hashed(key, hash)) {
        // Copy before releasing: the caller may pass the stored value itself,
        // and a failed copy must leave the old value in place.
        char* copy = copy_text(value);
        if (!copy) return nullptr;
        std::free(pair->value);
        pair->value = copy;
        return copy;
    }
    if (!make_room()) return nullptr;
    char* key_copy = copy_text(key);
    if (!key_copy) return nullptr;
    char* value_copy = copy_text(value);
    if (!value_copy) {
        std::free(key_copy);
        return nullptr;
    }
    Setting& pair = settings_store.pairs[settings_store.pair_count++];
    pair.key = key_copy;
    pair.value = value_copy;
    index_last_pair(hash);
    return value_copy;
}
