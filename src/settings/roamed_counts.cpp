#include "settings/roamed_counts.h"

#include <string>
#include <utility>

#include "monitor/counter_paths.h"
#include "settings/set_aside_files.h"
#include "settings/usage_history_file.h"

namespace {

void add_name(const char* name, void* names) {
    static_cast<std::vector<std::string>*>(names)->emplace_back(name);
}

// The history, the histories set aside, and usage.cfg last.
std::vector<std::string> count_files_in(DataFolder folder) {
    std::vector<std::string> names{usage_history_file_name};
    char path[path_capacity];
    if (data_file_path(path, folder, "")) list_set_aside_files(path, damaged_history, add_name, &names);
    names.emplace_back(usage_file_name);
    return names;
}

bool is_count_file(const std::string& name) {
    return name == usage_history_file_name || name == usage_file_name ||
           is_set_aside_name(name.c_str(), damaged_history);
}

// False when the roamed file stays, as `stamp` tells it. One written again
// since it was left (an earlier version elsewhere) is not this program's to
// remove.
bool clear_roamed(const std::string& name, const FileStamp* as_left, FileStamp* stamp) {
    char path[path_capacity];
    if (!data_file_path(path, DataFolder::roaming, name.c_str()) || !read_file_stamp(path, stamp))
        return true;
    if (as_left && (stamp->written != as_left->written || stamp->size != as_left->size)) return true;
    if (remove_file(path)) return true;
    char moved[set_aside_name_size];
    return name == usage_file_name && set_file_aside(path, roamed_usage, moved);
}

}  // namespace

DataFolder take_over_roaming_counts(std::vector<LeftBehind>* left) {
    char local[path_capacity], roaming[path_capacity];
    if (!data_file_path(local, DataFolder::local, usage_file_name) ||
        !data_file_path(roaming, DataFolder::roaming, usage_file_name) || same_text(local, roaming) ||
        file_exists(local))
        return DataFolder::local;
    const std::vector<std::string> names = count_files_in(DataFolder::roaming);
    bool copied = true, found = false;
    for (const std::string& name : names) {
        if (!data_file_path(local, DataFolder::local, name.c_str()) ||
            !data_file_path(roaming, DataFolder::roaming, name.c_str()))
            return DataFolder::local;
        if (!file_exists(roaming)) continue;
        found = true;
        make_folder_of(local);
        copied = copied && copy_file_atomically(roaming, local);
    }
    if (!found) return DataFolder::local;
    // A copy that failed leaves the set where it is, for this run and the next try.
    if (!copied) return DataFolder::roaming;
    for (const std::string& name : names) {
        FileStamp stamp{};
        if (!clear_roamed(name, nullptr, &stamp)) left->push_back({name, stamp});
    }
    return DataFolder::local;
}

void remove_left_behind(std::vector<LeftBehind>& left) {
    std::vector<LeftBehind> staying;
    for (const LeftBehind& file : left) {
        FileStamp stamp{};
        // A name from the file that is none of the counts' is no file of ours.
        if (is_count_file(file.name) && !clear_roamed(file.name, &file.stamp, &stamp))
            staying.push_back(file);
    }
    left = std::move(staying);
}

void delete_count_files() {
    for (DataFolder folder : {DataFolder::local, DataFolder::roaming}) {
        char path[path_capacity];
        std::vector<std::string> names = count_files_in(folder);
        if (data_file_path(path, folder, "")) list_set_aside_files(path, roamed_usage, add_name, &names);
        for (const std::string& name : names) {
            if (data_file_path(path, folder, name.c_str())) remove_file(path);
        }
    }
    char local[path_capacity], roaming[path_capacity];
    if (!data_file_path(local, DataFolder::local, "") || !data_file_path(roaming, DataFolder::roaming, "") ||
        same_text(local, roaming))
        return;
    remove_abandoned_saves(local);
    remove_folder(local);
}
