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
#include "settings/file_notices.h"
#include "settings/roamed_counts.h"
#include "settings/save_generation.h"
#include "settings/save_worker.h"
#include "settings/set_aside_files.h"
#include "settings/setting_keys.h"
#include "settings/settings_file.h"
#include "settings/settings_store.h"
#include "settings/usage_export.h"
#include "settings/usage_file.h"
#include "settings/usage_history_file.h"
#include "settings/usage_late_read.h"

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
    char set_aside_name[set_aside_name_size];
    // usage.cfg is there but unread: nothing is written until it is read.
    bool usage_unread;
    // The first snapshot that must take the history along (0: none due).
    std::uint64_t history_wanted;
    std::uint64_t snapshots;
    // The system's start as the last snapshot has it.
    std::int64_t handed_start_s;
    DataFolder folder;
    PlanWarningState plan;
    std::vector<LeftBehind> left_behind;
    // From the final saves on: usage.cfg notes the exports not yet written,
    // this many in the last one.
    bool final;
    int exports_noted;
};

Keeping keeping;
std::unique_ptr<NamedInterfaces> reading;
UnreadCounting unread_counting;

// What the worker tells the window's thread; guarded by its lock.
struct Outcome {
    std::mutex lock;
    bool usage_failed;
    bool history_failed;
    std::uint64_t history_number;  // of the last snapshot written into the history
    std::vector<UsageDay> history_rows;
    std::unique_ptr<LateUsage> late;  // usage.cfg, read at last
};

// Never destroyed: a save worker let go at exit may still be writing a
// snapshot while the process's destructors run.
Outcome& outcome = *new Outcome();

struct Snapshot {
    std::uint64_t number;
    std::uint64_t generation;
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
    SaveGenerationScope in_order(snapshot.generation);
    make_folder_of(snapshot.usage_path);
    const bool usage_written = save_text_atomically(snapshot.usage_path, snapshot.usage_text);
    const bool history_written = usage_written && snapshot.with_history &&
                                 write_usage_history(snapshot.history_path, snapshot.history);
    std::lock_guard<std::mutex> hold(outcome.lock);
    outcome.usage_failed |= !usage_written;
    outcome.history_failed |= usage_written && snapshot.with_history && !history_written;
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

void take_late_usage();

// The user hears once that the counts stay in memory only.
void usage_not_written() {
    usage_count.changed = true;
    char folder[path_capacity];
    if (counts_path(folder, "")) post_file_notice(FileNotice::counts_unwritten, folder);
}

void take_outcome() {
    take_late_usage();
    std::lock_guard<std::mutex> hold(outcome.lock);
    // What did not go waits for the next minute.
    if (outcome.usage_failed) usage_not_written();
    if (outcome.history_failed) usage_count.changed = true;
    outcome.usage_failed = outcome.history_failed = false;
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
    if (keeping.usage_unread) return false;
    auto snapshot = std::make_shared<Snapshot>();
    snapshot->number = ++keeping.snapshots;
    snapshot->generation = next_save_generation();
    snapshot->usage_text = usage_file_text(usage_count, keeping.plan) + left_behind_text(keeping.left_behind) +
                           export_note_lines(keeping.final);
    snapshot->with_history = keeping.history_wanted != 0 && keeping.history_writable &&
                             counts_path(snapshot->history_path, usage_history_file_name);
    if (snapshot->with_history) {
        snapshot->history.adapters = usage_count.adapters;
        snapshot->history.days = usage_count.days;
        snapshot->history.kept = usage_count.kept;
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
    if (reading && read_named_interfaces(reading.get())) {
        const std::int64_t uptime_ms = read_uptime_ms();
        count_reading(usage_count, *reading, today, keeping.same_boot, uptime_ms);
        if (keeping.usage_unread)
            note_unread_reading(unread_counting, usage_count, *reading, !was_counting, uptime_ms);
    } else {
        usage_count.today = today;
    }
    usage_count.system_start_s = read_system_start();
    // A clock set while counting: the next start must know this boot by it.
    const std::int64_t moved = usage_count.system_start_s - keeping.handed_start_s;
    if (moved > same_boot_tolerance_s || moved < -same_boot_tolerance_s) usage_count.new_base = true;
    const bool new_date = was_counting && today != before;
    if (new_date && keeping.history_wanted == 0) keeping.history_wanted = keeping.snapshots + 1;
    return new_date;
}

// Renames a damaged history, under a name of its own, so that a new one starts.
bool set_history_aside(const char* history) {
    return set_file_aside(history, damaged_history, keeping.set_aside_name);
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
            break;
    }
}

UsageFileState load_usage_file_patiently() {
    char path[path_capacity];
    if (!counts_path(path, usage_file_name)) return {};
    UsageFileState state = read_usage_file_at_start(path, &usage_count, stored_text(keys::device_in),
                                                    stored_text(keys::device_out));
    if (state.unreadable) post_file_notice(FileNotice::usage_unread, path);
    return state;
}

// usage.cfg once more, on the worker, while it is unread.
void queue_late_usage_read() {
    char path[path_capacity];
    if (!counts_path(path, usage_file_name)) return;
    auto file = std::make_shared<std::string>(path);
    auto download = std::make_shared<std::string>(stored_text(keys::device_in));
    auto upload = std::make_shared<std::string>(stored_text(keys::device_out));
    // Its place in the queue: no snapshot is handed over while it is unread.
    queue_save(SaveSlot::usage, [file, download, upload] {
        std::unique_ptr<LateUsage> late = read_late_usage(file->c_str(), download->c_str(), upload->c_str());
        if (!late) return false;
        std::lock_guard<std::mutex> hold(outcome.lock);
        outcome.late = std::move(late);
        return true;
    });
}

bool same_boot_as(const UsageFileState& state, std::int64_t system_start_s) {
    const std::int64_t apart = system_start_s - state.system_start_s;
    return state.system_start_known && apart <= same_boot_tolerance_s && apart >= -same_boot_tolerance_s;
}

// Read at last: the file's counts with this run's over them, kept at once.
void take_late_usage() {
    std::unique_ptr<LateUsage> late;
    {
        std::lock_guard<std::mutex> hold(outcome.lock);
        late = std::move(outcome.late);
    }
    if (!late || !keeping.usage_unread) return;
    keeping.usage_unread = false;
    merge_late_usage(usage_count, *late, unread_counting,
                     same_boot_as(late->state, usage_count.system_start_s));
    unread_counting = {};
    keeping.plan = later_plan_warnings(keeping.plan, late->state.plan);
    for (LeftBehind& file : late->state.left_behind) keeping.left_behind.push_back(std::move(file));
    usage_count.new_base = true;
    hand_over();
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
    unread_counting = {};
    keeping.folder = take_over_roaming_counts(&keeping.left_behind);
    tidy_folders();
    load_history();
    UsageFileState state = load_usage_file_patiently();
    keeping.usage_unread = state.unreadable;
    char path[path_capacity];
    if (!keeping.usage_unread && counts_path(path, usage_file_name)) read_export_notes(path);
    keeping.plan = state.plan;
    remove_left_behind(state.left_behind);
    for (LeftBehind& file : state.left_behind) keeping.left_behind.push_back(std::move(file));
    keeping.same_boot = same_boot_as(state, read_system_start());
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
        if (keeping.usage_unread) queue_late_usage_read();
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
    keeping.final = true;
    keeping.exports_noted = unwritten_export_count();
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

void renote_exports(std::int64_t deadline_ns) {
    if (!keeping.final || unwritten_export_count() >= keeping.exports_noted || monotonic_ns() >= deadline_ns)
        return;
    keeping.exports_noted = unwritten_export_count();
    hand_over();
}

PlanWarningState stored_plan_warnings() {
    return keeping.plan;
}

void keep_plan_warnings(const PlanWarningState& warnings) {
    if (warnings.period_first == keeping.plan.period_first && warnings.level == keeping.plan.level) return;
    keeping.plan = warnings;
    usage_count.changed = true;
}

bool take_history_set_aside_notice(char (&name)[set_aside_name_size]) {
    std::snprintf(name, sizeof name, "%s", keeping.set_aside_name);
    keeping.set_aside_name[0] = '\0';
    return name[0] != '\0';
}

bool usage_unread() {
    return keeping.usage_unread;
}

void replace_unread_usage() {
    if (!keeping.usage_unread) return;
    keeping.usage_unread = false;
    unread_counting = {};
    usage_count.changed = usage_count.new_base = true;
}

void delete_usage() {
    delete_count_files();
}
