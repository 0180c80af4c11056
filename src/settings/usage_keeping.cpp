#include "settings/usage_keeping.h"

#include <cstdio>
#include <memory>
#include <mutex>
#include <new>
#include <string>
#include <utility>
#include <vector>

#include "monitor/clock.h"
#include "monitor/traffic_graph.h"
#include "settings/save_worker.h"
#include "settings/setting_keys.h"
#include "settings/settings_file.h"
#include "settings/settings_store.h"
#include "settings/usage_file.h"
#include "settings/usage_history_file.h"

namespace {

// The window's thread's own.
struct Keeping {
    bool clocks_started;
    std::int64_t last_read_ns;
    std::int64_t last_write_ns;
    // Counted in the same boot as the counters usage.cfg kept.
    bool same_boot;
    // A history that could not be read, or not set aside, is never written over.
    bool history_writable;
    bool set_aside_notice;
    // The first snapshot that must take the history along (0: none due).
    std::uint64_t history_wanted;
    std::uint64_t snapshots;
    // The system's start as the last snapshot has it.
    std::int64_t handed_start_s;
    DataFolder folder;
    PlanWarningState plan;
};

Keeping keeping;
std::unique_ptr<NamedInterfaces> reading;

// What the worker tells the window's thread; guarded by its lock.
struct Outcome {
    std::mutex lock;
    bool usage_failed;
    std::uint64_t history_number;  // of the last snapshot written into the history
    std::vector<UsageDay> history_rows;
};

Outcome outcome;

struct Snapshot {
    std::uint64_t number;
    char usage_path[path_capacity];
    std::string usage_text;
    bool with_history;
    char history_path[path_capacity];
    UsageCount history;  // its adapters and days
};

const char* stored_text(const char* key) {
    const Setting* setting = find_setting(key);
    return setting ? setting->value : "";
}

bool counts_path(char (&path)[path_capacity], const char* name) {
    return data_file_path(path, keeping.folder, name);
}

// On the worker: usage.cfg first, the history only once it is in place.
bool write_snapshot(Snapshot& snapshot) {
    make_folder_of(snapshot.usage_path);
    const bool usage_written = save_text_atomically(snapshot.usage_path, snapshot.usage_text);
    const bool history_written = usage_written && snapshot.with_history &&
                                 write_usage_history(snapshot.history_path, snapshot.history);
    std::lock_guard<std::mutex> hold(outcome.lock);
    outcome.usage_failed |= !usage_written;
    if (history_written) {
        outcome.history_number = snapshot.number;
        outcome.history_rows = std::move(snapshot.history.days);
    }
    return usage_written && (history_written || !snapshot.with_history);
}

// What the history holds now is what the snapshot written into it held.
void file_rows(const std::vector<UsageDay>& written) {
    auto row = usage_count.days.begin();
    for (const UsageDay& filed : written) {
        while (row != usage_count.days.end() &&
               (row->day < filed.day || (row->day == filed.day && row->adapter < filed.adapter)))
            ++row;
        if (row == usage_count.days.end()) return;
        if (row->day != filed.day || row->adapter != filed.adapter) continue;
        row->filed_received = filed.received;
        row->filed_sent = filed.sent;
    }
}

void take_outcome() {
    std::lock_guard<std::mutex> hold(outcome.lock);
    // What did not go waits for the next minute.
    if (outcome.usage_failed) usage_count.changed = true;
    outcome.usage_failed = false;
    if (outcome.history_number == 0) return;
    file_rows(outcome.history_rows);
    if (keeping.history_wanted != 0 && outcome.history_number >= keeping.history_wanted)
        keeping.history_wanted = 0;
    outcome.history_number = 0;
    outcome.history_rows.clear();
}

void derive_periods() {
    derive_usage_periods(usage_count, traffic_graph.download_interface, traffic_graph.upload_interface);
}

// Everything a crash must find, handed to the worker; the history with it when due.
bool hand_over() {
    derive_periods();
    auto snapshot = std::make_shared<Snapshot>();
    snapshot->number = ++keeping.snapshots;
    snapshot->usage_text = usage_file_text(usage_count, keeping.plan);
    snapshot->with_history = keeping.history_wanted != 0 && keeping.history_writable &&
                             counts_path(snapshot->history_path, usage_history_file_name);
    if (snapshot->with_history) {
        snapshot->history.adapters = usage_count.adapters;
        snapshot->history.days = usage_count.days;
    }
    keeping.handed_start_s = usage_count.system_start_s;
    usage_count.changed = usage_count.new_base = false;
    if (!counts_path(snapshot->usage_path, usage_file_name)) return false;
    return queue_save(SaveSlot::usage, [snapshot] { return write_snapshot(*snapshot); });
}

// Counts what the table shows now; true when the local date changed since
// the last reading.
bool take_reading() {
    const DayNumber today = local_today();
    const DayNumber before = usage_count.today;
    const bool was_counting = usage_count.counting;
    if (!reading) reading.reset(new (std::nothrow) NamedInterfaces());
    if (reading && read_named_interfaces(reading.get()))
        count_reading(usage_count, *reading, today, keeping.same_boot, read_uptime_ms());
    else
        usage_count.today = today;
    usage_count.system_start_s = read_system_start();
    // A clock set while counting: the next start must know this boot by it.
    const std::int64_t moved = usage_count.system_start_s - keeping.handed_start_s;
    if (moved > same_boot_tolerance_s || moved < -same_boot_tolerance_s) usage_count.new_base = true;
    const bool new_date = was_counting && today != before;
    if (new_date && keeping.history_wanted == 0) keeping.history_wanted = keeping.snapshots + 1;
    return new_date;
}

// Renames a damaged history, replacing an older set-aside one, so that a new one starts.
bool set_history_aside(const char* history) {
    char bad[path_capacity];
    return counts_path(bad, usage_history_bad_file_name) &&
           file_replacer(history, bad) == ReplaceResult::replaced;
}

void load_history() {
    keeping.history_writable = true;
    char path[path_capacity];
    if (!counts_path(path, usage_history_file_name)) {
        keeping.history_writable = false;
        return;
    }
    switch (read_usage_history(path, &usage_count)) {
        case HistoryRead::read:
        case HistoryRead::missing:
            break;
        case HistoryRead::unreadable:
            keeping.history_writable = false;
            break;
        case HistoryRead::damaged:
            keeping.history_writable = set_history_aside(path);
            keeping.set_aside_notice = keeping.history_writable;
            break;
    }
}

constexpr const char* count_files[] = {usage_history_file_name, usage_history_bad_file_name, usage_file_name};

// Earlier versions kept the counts beside the settings, which roam with the
// profile. They come over as one set, usage.cfg last: once it is here, the
// settings folder is never read for counts again.
void take_over_roaming_counts() {
    keeping.folder = DataFolder::local;
    char local[path_capacity], roaming[path_capacity];
    if (!data_file_path(local, DataFolder::local, usage_file_name) ||
        !data_file_path(roaming, DataFolder::roaming, usage_file_name) || same_text(local, roaming) ||
        file_exists(local))
        return;
    bool copied = true, found = false;
    for (const char* name : count_files) {
        if (!data_file_path(local, DataFolder::local, name) ||
            !data_file_path(roaming, DataFolder::roaming, name))
            return;
        if (!file_exists(roaming)) continue;
        found = true;
        make_folder_of(local);
        copied = copied && copy_file_atomically(roaming, local);
    }
    if (!found) return;
    // A copy that failed leaves the set where it is, for this run and the next try.
    if (!copied) {
        keeping.folder = DataFolder::roaming;
        return;
    }
    for (const char* name : count_files) {
        if (data_file_path(roaming, DataFolder::roaming, name)) remove_file(roaming);
    }
}

// What a killed save left: temporary files of the program's own folders.
void tidy_folders() {
    char folders[2][path_capacity];
    if (!data_file_path(folders[0], DataFolder::roaming, "") ||
        !data_file_path(folders[1], DataFolder::local, ""))
        return;
    queue_save(SaveSlot::tidying, [folders] {
        remove_abandoned_saves(folders[0]);
        if (!same_text(folders[0], folders[1])) remove_abandoned_saves(folders[1]);
        return true;
    });
}

}  // namespace

void load_usage() {
    take_outcome();
    usage_count = {};
    keeping = {};
    take_over_roaming_counts();
    tidy_folders();
    load_history();
    UsageFileState state{};
    char path[path_capacity];
    if (counts_path(path, usage_file_name))
        load_usage_file(path, &usage_count, &state, stored_text(keys::device_in),
                        stored_text(keys::device_out));
    keeping.plan = state.plan;
    const std::int64_t apart = read_system_start() - state.system_start_s;
    keeping.same_boot =
        state.system_start_known && apart <= same_boot_tolerance_s && apart >= -same_boot_tolerance_s;
    if (!keeping.same_boot) keep_bases_of_this_boot(usage_count, read_uptime_ms());
    keeping.handed_start_s = state.system_start_s;
    usage_count.today = local_today();
    take_reading();
    derive_usage_periods(usage_count, stored_text(keys::device_in), stored_text(keys::device_out));
    hand_over();
}

void keep_usage(std::int64_t now_ns) {
    take_outcome();
    if (!keeping.clocks_started) {
        keeping.last_read_ns = keeping.last_write_ns = now_ns;
        keeping.clocks_started = true;
    }
    bool now = false;
    if (now_ns - keeping.last_read_ns >= usage_read_interval_ns) {
        keeping.last_read_ns = now_ns;
        now = take_reading() || usage_count.new_base;
    }
    derive_periods();
    if (now || (usage_count.changed && now_ns - keeping.last_write_ns >= usage_write_interval_ns)) {
        hand_over();
        keeping.last_write_ns = now_ns;
    }
}

bool save_usage() {
    take_outcome();
    return hand_over();
}

bool finish_usage() {
    take_outcome();
    take_reading();
    for (const UsageDay& row : usage_count.days) {
        if (grown_past_file(row) && keeping.history_wanted == 0)
            keeping.history_wanted = keeping.snapshots + 1;
    }
    const bool saved = hand_over();
    take_outcome();
    return saved;
}

void suspend_usage(std::int64_t deadline_ns) {
    take_outcome();
    take_reading();
    hand_over();
    wait_for_saves(deadline_ns);
    take_outcome();
}

void resume_usage(std::int64_t now_ns) {
    take_outcome();
    keeping.last_read_ns = now_ns;
    if (take_reading() || usage_count.new_base) hand_over();
}

void export_usage(const char* path, ExportDone done, void* context) {
    auto target = std::make_shared<std::string>(path);
    auto content = std::make_shared<UsageCount>();
    content->adapters = usage_count.adapters;
    content->days = usage_count.days;
    queue_save(SaveSlot::exported, [target, content, done, context] {
        const bool exported = export_usage_history(target->c_str(), *content);
        done(exported, context);
        return exported;
    });
}

PlanWarningState stored_plan_warnings() {
    return keeping.plan;
}

void keep_plan_warnings(const PlanWarningState& warnings) {
    if (warnings.period_first == keeping.plan.period_first && warnings.level == keeping.plan.level) return;
    keeping.plan = warnings;
    usage_count.changed = true;
}

bool take_history_set_aside_notice() {
    const bool notice = keeping.set_aside_notice;
    keeping.set_aside_notice = false;
    return notice;
}

void delete_usage() {
    for (DataFolder folder : {DataFolder::local, DataFolder::roaming}) {
        char path[path_capacity];
        for (const char* name : count_files) {
            if (data_file_path(path, folder, name)) remove_file(path);
        }
    }
    char local[path_capacity], roaming[path_capacity];
    if (!data_file_path(local, DataFolder::local, "") || !data_file_path(roaming, DataFolder::roaming, "") ||
        same_text(local, roaming))
        return;
    remove_abandoned_saves(local);
    remove_folder(local);
}
