#include "settings/usage_export.h"

#include <cstring>
#include <list>
#include <mutex>
#include <utility>
#include <vector>

#include "monitor/clock.h"
#include "monitor/usage_count.h"
#include "settings/save_worker.h"
#include "settings/setting_keys.h"
#include "settings/settings_file.h"
#include "settings/usage_history_file.h"

namespace {

struct Export {
    std::string path;
    UsageCount content;  // its adapters, days and kept rows
    ExportDone done;
    void* context;
    bool writing;
};

// Asked for and not yet written, oldest first; shared with the worker.
struct Exports {
    std::mutex lock;
    std::list<Export> unwritten;
};

// Never destroyed: a save worker let go at exit may still be writing one
// while the process's destructors run.
Exports& exports = *new Exports();

// The window's thread's own: what an earlier run noted and nobody was told yet.
std::vector<std::string> untold;

// Writes the oldest export that nobody writes yet; false when there is none.
bool write_next_export() {
    std::list<Export>::iterator next;
    {
        std::lock_guard<std::mutex> hold(exports.lock);
        next = exports.unwritten.begin();
        while (next != exports.unwritten.end() && next->writing) ++next;
        if (next == exports.unwritten.end()) return false;
        next->writing = true;
    }
    const bool exported = export_usage_history(next->path.c_str(), next->content);
    std::list<Export> finished;
    {
        std::lock_guard<std::mutex> hold(exports.lock);
        finished.splice(finished.begin(), exports.unwritten, next);
    }
    next->done(exported, next->path.c_str(), next->context);
    return true;
}

bool take_note(const char* key, const char* value, void* /*context*/) {
    if (std::strncmp(key, keys::export_unwritten_prefix, sizeof keys::export_unwritten_prefix - 1) == 0)
        untold.emplace_back(value);
    return true;
}

}  // namespace

void export_usage(const char* path, ExportDone done, void* context) {
    Export asked{path, {}, done, context, false};
    asked.content.adapters = usage_count.adapters;
    asked.content.days = usage_count.days;
    asked.content.kept = usage_count.kept;
    {
        std::lock_guard<std::mutex> hold(exports.lock);
        exports.unwritten.push_back(std::move(asked));
    }
    queue_save(SaveSlot::exported, write_next_export);
}

void write_waiting_exports(std::int64_t deadline_ns) {
    while (monotonic_ns() < deadline_ns && write_next_export()) {
    }
}

int unwritten_export_count() {
    std::lock_guard<std::mutex> hold(exports.lock);
    return static_cast<int>(exports.unwritten.size());
}

std::string export_note_lines(bool unwritten) {
    std::vector<std::string> noted = untold;
    if (unwritten) {
        std::lock_guard<std::mutex> hold(exports.lock);
        for (const Export& waiting : exports.unwritten) noted.push_back(waiting.path);
    }
    std::string lines;
    for (std::size_t i = 0; i < noted.size(); ++i)
        lines += keys::export_unwritten_prefix + std::to_string(i + 1) + '\t' + noted[i] + '\n';
    return lines;
}

void read_export_notes(const char* path) {
    untold.clear();
    read_pairs_file(path, take_note, nullptr);
}

const char* untold_export(int* count) {
    *count = static_cast<int>(untold.size());
    return untold.empty() ? nullptr : untold.front().c_str();
}

void exports_told() {
    untold.clear();
    usage_count.changed = true;
}
