#include "settings/settings_reading.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <memory>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

#include "monitor/clock.h"
#include "settings/file_notices.h"
#include "settings/save_worker.h"
#include "settings/setting_keys.h"
#include "settings/setting_values.h"
#include "settings/settings_store.h"

namespace {

using Pairs = std::vector<std::pair<std::string, std::string>>;

// The window's thread's own.
struct Unread {
    bool unread;
    bool tried;
    std::int64_t last_try_ns;
    Pairs applied;
    std::vector<std::string> chosen;
};

Unread state;

// What the worker read; guarded by its lock.
struct LateRead {
    std::mutex lock;
    bool ready;
    FileRead outcome;
    Pairs pairs;
};

LateRead late;

bool take_pair(const char* key, const char* value, void* context) {
    static_cast<Pairs*>(context)->emplace_back(key, value);
    return true;
}

Pairs stored_pairs() {
    Pairs pairs;
    for (std::int32_t i = 0; i < settings_store.pair_count; ++i)
        pairs.emplace_back(settings_store.pairs[i].key, settings_store.pairs[i].value);
    return pairs;
}

const std::string* value_in(const Pairs& pairs, const std::string& key) {
    for (const auto& pair : pairs) {
        if (pair.first == key) return &pair.second;
    }
    return nullptr;
}

bool follows_no_dialog(const std::string& key) {
    for (const char* other :
         {keys::app_left, keys::app_top, keys::app_width, keys::app_height, keys::app_starts}) {
        if (key == other) return true;
    }
    if (key != keys::graph_locked_max_value) return false;
    const Setting* locked = find_setting(keys::graph_locked_max);
    return !locked || read_setting_int(locked->value) == 0;
}

}  // namespace

FileRead read_settings_at_start() {
    state = {};
    {
        std::lock_guard<std::mutex> hold(late.lock);
        late.ready = false;
        late.pairs.clear();
    }
    char path[path_capacity] = "";
    if (const char* file = settings_path("settings.cfg")) std::snprintf(path, sizeof path, "%s", file);
    const char* file = *path ? path : nullptr;
    const std::int64_t deadline = save_deadline(monotonic_ns());
    FileRead outcome = read_settings_file(file);
    while (retry_read_before(outcome, deadline, monotonic_ns())) {
        pause_before_retry();
        outcome = read_settings_file(file);
    }
    if (outcome != FileRead::unreadable) return outcome;
    state.unread = true;
    post_file_notice(FileNotice::settings_unread, path);
    return outcome;
}

bool settings_unread() {
    return state.unread;
}

void keep_reading_settings(std::int64_t now_ns) {
    if (!state.unread || (state.tried && now_ns - state.last_try_ns < unread_retry_interval_ns)) return;
    state.tried = true;
    state.last_try_ns = now_ns;
    const char* file = settings_path("settings.cfg");
    if (!file) return;
    auto path = std::make_shared<std::string>(file);
    // The settings' place in the queue: no save of the file is due while it is unread.
    queue_save(SaveSlot::settings, [path] {
        Pairs pairs;
        const FileRead outcome = read_pairs_file(path->c_str(), take_pair, &pairs);
        if (outcome == FileRead::unreadable) return false;
        std::lock_guard<std::mutex> hold(late.lock);
        late.ready = true;
        late.outcome = outcome;
        late.pairs = std::move(pairs);
        return true;
    });
}

void settings_applied() {
    if (state.unread) state.applied = stored_pairs();
}

void note_dialog_choices() {
    if (!state.unread) return;
    Pairs now = stored_pairs();
    for (const auto& [key, value] : now) {
        // A key stored empty, as the interfaces are when none is chosen, was as good as absent.
        const std::string* before = value_in(state.applied, key);
        if ((before ? *before : std::string()) == value || follows_no_dialog(key)) continue;
        if (std::find(state.chosen.begin(), state.chosen.end(), key) == state.chosen.end())
            state.chosen.push_back(key);
    }
    state.applied = std::move(now);
}

bool take_late_settings() {
    LateRead taken;
    {
        std::lock_guard<std::mutex> hold(late.lock);
        if (!late.ready) return false;
        late.ready = false;
        taken.outcome = late.outcome;
        taken.pairs = std::move(late.pairs);
    }
    // Replaced by the user's choice meanwhile, or gone: nothing is to be kept.
    if (!state.unread) return false;
    const std::vector<std::string> chosen = std::move(state.chosen);
    state = {};
    if (taken.outcome != FileRead::read) return false;
    Pairs choices;
    for (const std::string& key : chosen) {
        if (const Setting* setting = find_setting(key.c_str())) choices.emplace_back(key, setting->value);
    }
    clear_settings();
    for (const Pairs* pairs : {&taken.pairs, &choices}) {
        for (const auto& [key, value] : *pairs) set_setting(key.c_str(), value.c_str());
    }
    return true;
}

void replace_unread_settings() {
    state = {};
}
