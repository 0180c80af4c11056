// The settings file handed to the save worker, and the removal of every file
// the program keeps.
#include "settings/settings.h"

#include <array>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>

#include "settings/save_generation.h"
#include "settings/save_worker.h"
#include "settings/settings_file.h"
#include "settings/settings_reading.h"
#include "settings/settings_store.h"
#include "settings/usage_keeping.h"

// A file that is there but unread would lose every value it holds.
bool queue_settings_save() {
    if (settings_unread()) return false;
    auto path = std::make_shared<std::array<char, path_capacity>>();
    const char* file = settings_path("settings.cfg");
    if (!file) return false;
    std::snprintf(path->data(), path->size(), "%s", file);
    auto text = std::make_shared<std::string>(pairs_text(settings_store.pairs, settings_store.pair_count));
    const std::uint64_t generation = next_save_generation();
    return queue_save(SaveSlot::settings, [path, text, generation] {
        SaveGenerationScope in_order(generation);
        make_folder_of(path->data());
        return save_text_atomically(path->data(), *text);
    });
}

// The folder goes only when nothing else is left in it; what a killed save
// left behind does not count. Nothing may be writing meanwhile.
void delete_settings() {
    if (const char* file = settings_path("settings.cfg")) remove_file(file);
    delete_usage();
    if (const char* folder = settings_path("")) {
        remove_abandoned_saves(folder);
        remove_folder(folder);
    }
}
