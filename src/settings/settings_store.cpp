#include "settings/settings_store.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>

SettingsStore settings_store = {nullptr, 0, 0};

namespace {

constexpr std::int32_t growth = 32;

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
}

Setting* find_setting(const char* key) {
    SettingsStore& store = settings_store;
    for (std::int32_t i = 0; i < store.pair_count; ++i) {
        if (std::strcmp(store.pairs[i].key, key) == 0) return &store.pairs[i];
    }
    return nullptr;
}

const char* set_setting(const char* key, const char* value) {
    if (Setting* pair = find_setting(key)) {
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
    return value_copy;
}
