#include "settings/usage_file.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <new>
#include <string>
#include <vector>

#include "monitor/clock.h"
#include "monitor/traffic_graph.h"
#include "settings/setting_keys.h"
#include "settings/settings_file.h"
#include "settings/settings_store.h"
#include "settings/usage_history_file.h"

namespace {

constexpr char usage_file_name[] = "usage.cfg";
constexpr int max_stored_adapters = 4096;

bool is_digits(const char* text, std::size_t length) {
    return std::strspn(text, "0123456789") == length;
}

// Plain decimal digits within 64 bits.
bool read_count(const char* text, std::uint64_t* count) {
    const std::size_t length = std::strlen(text);
    if (length == 0 || length > 20 || !is_digits(text, length)) return false;
    std::uint64_t number = 0;
    for (const char* p = text; *p; ++p) {
        const unsigned digit = static_cast<unsigned>(*p - '0');
        if (number > (UINT64_MAX - digit) / 10) return false;
        number = number * 10 + digit;
    }
    *count = number;
    return true;
}

// "received,sent".
bool read_count_pair(const char* text, std::uint64_t* received, std::uint64_t* sent) {
    const char* comma = std::strchr(text, ',');
    if (!comma || static_cast<std::size_t>(comma - text) > 20) return false;
    char first[21];
    std::memcpy(first, text, static_cast<std::size_t>(comma - text));
    first[comma - text] = '\0';
    return read_count(first, received) && read_count(comma + 1, sent);
}

bool read_signed(const char* text, std::int64_t* number) {
    const bool negative = *text == '-';
    std::uint64_t magnitude = 0;
    if (!read_count(text + (negative ? 1 : 0), &magnitude) || magnitude > INT64_MAX) return false;
    *number = negative ? -static_cast<std::int64_t>(magnitude) : static_cast<std::int64_t>(magnitude);
    return true;
}

// "YYYY-MM" of a month that exists, as its first day.
bool read_month(const char* text, DayNumber* first) {
    char date[16];
    if (std::strlen(text) != 7) return false;
    std::snprintf(date, sizeof date, "%s-01", text);
    return parse_iso_date(date, first);
}

struct StoredDay {
    DayNumber day;
    std::uint64_t received;
    std::uint64_t sent;
};

struct StoredAdapter {
    std::string name;
    bool hardware;
    bool has_luid;
    std::uint64_t luid;
    bool has_last;
    std::uint64_t last_received;
    std::uint64_t last_sent;
    std::vector<StoredDay> days;
};

// The earlier version's six values, as the file holds them.
constexpr const char* earlier_keys[6] = {keys::usage_day,   keys::usage_day_in,   keys::usage_day_out,
                                         keys::usage_month, keys::usage_month_in, keys::usage_month_out};

struct UsageLines {
    std::string earlier[6];
    bool earlier_seen[6];
    bool this_version;
    UsageFileState state;
    std::vector<StoredAdapter> adapters;  // by the number in their keys
};

// "adapter.<n>.<what>": the adapter of number n, made when missing.
StoredAdapter* stored_adapter(UsageLines& lines, const char* key, const char** what) {
    const char* number = key + sizeof keys::adapter_prefix - 1;
    const std::size_t digits = std::strspn(number, "0123456789");
    if (digits == 0 || digits > 4 || number[digits] != '.') return nullptr;
    const int n = std::atoi(number);
    if (n >= max_stored_adapters) return nullptr;
    if (static_cast<std::size_t>(n) >= lines.adapters.size())
        lines.adapters.resize(static_cast<std::size_t>(n) + 1);
    *what = number + digits + 1;
    return &lines.adapters[static_cast<std::size_t>(n)];
}

void take_adapter_line(UsageLines& lines, const char* key, const char* value) {
    const char* what = nullptr;
    StoredAdapter* adapter = stored_adapter(lines, key, &what);
    if (!adapter) return;
    DayNumber day = 0;
    std::uint64_t received = 0;
    std::uint64_t sent = 0;
    if (std::strcmp(what, keys::adapter_name) == 0) {
        if (std::strlen(value) < instance_name_size) adapter->name = value;
    } else if (std::strcmp(what, keys::adapter_hardware) == 0) {
        adapter->hardware = std::strcmp(value, "0") != 0;
    } else if (std::strcmp(what, keys::adapter_luid) == 0) {
        adapter->has_luid = read_count(value, &adapter->luid);
    } else if (std::strcmp(what, keys::adapter_last) == 0) {
        adapter->has_last = read_count_pair(value, &adapter->last_received, &adapter->last_sent);
    } else if (parse_iso_date(what, &day) && read_count_pair(value, &received, &sent)) {
        adapter->days.push_back({day, received, sent});
    }
}

bool take_usage_pair(const char* key, const char* value, void* context) {
    UsageLines& lines = *static_cast<UsageLines*>(context);
    for (int i = 0; i < 6; ++i) {
        if (std::strcmp(key, earlier_keys[i]) != 0) continue;
        lines.earlier[i] = value;
        lines.earlier_seen[i] = true;
    }
    if (std::strcmp(key, keys::adapter_system_start) == 0) {
        lines.this_version = true;
        lines.state.system_start_known = read_signed(value, &lines.state.system_start_s);
    } else if (std::strncmp(key, keys::adapter_prefix, sizeof keys::adapter_prefix - 1) == 0) {
        take_adapter_line(lines, key, value);
    } else if (std::strcmp(key, keys::plan_warned_period) == 0) {
        if (!parse_iso_date(value, &lines.state.plan.period_first)) lines.state.plan = {};
    } else if (std::strcmp(key, keys::plan_warned_level) == 0) {
        const int level = std::strcmp(value, "1") == 0 ? 1 : std::strcmp(value, "2") == 0 ? 2 : 0;
        lines.state.plan.level = level;
    }
    return true;
}

void take_adapters(const UsageLines& lines, UsageCount* usage) {
    for (const StoredAdapter& stored : lines.adapters) {
        if (stored.name.empty()) continue;
        const std::int32_t index = usage_adapter_index(*usage, stored.name.c_str(), true);
        if (index < 0) continue;
        UsageAdapter& adapter = usage->adapters[static_cast<std::size_t>(index)];
        adapter.hardware = stored.hardware;
        if (stored.has_luid && stored.has_last) {
            adapter.has_counter = true;
            adapter.key = stored.luid;
            adapter.last_received = stored.last_received;
            adapter.last_sent = stored.last_sent;
        }
        for (const StoredDay& day : stored.days)
            merge_usage(*usage, index, day.day, stored.hardware, day.received, day.sent, false);
    }
}

// The earlier version counted the graph's interfaces, for today and this month.
bool take_over_earlier(const UsageLines& lines, UsageCount* usage, const char* download, const char* upload) {
    for (bool seen : lines.earlier_seen) {
        if (!seen) return false;
    }
    DayNumber day = 0;
    DayNumber month_first = 0;
    std::uint64_t counts[6] = {};
    if (!parse_iso_date(lines.earlier[0].c_str(), &day) ||
        !read_month(lines.earlier[3].c_str(), &month_first))
        return false;
    for (int i : {1, 2, 4, 5}) {
        if (!read_count(lines.earlier[i].c_str(), &counts[i])) return false;
    }
    const CivilDate date = civil_date(day);
    const bool day_in_month = day_number({date.year, date.month, 1}) == month_first;
    const std::uint64_t month_in = counts[4] - (day_in_month ? std::min(counts[1], counts[4]) : 0);
    const std::uint64_t month_out = counts[5] - (day_in_month ? std::min(counts[2], counts[5]) : 0);
    const std::int32_t in = usage_adapter_index(*usage, *download ? download : all_hardware_adapters, true);
    const std::int32_t out = usage_adapter_index(*usage, *upload ? upload : all_hardware_adapters, true);
    if (in < 0 || out < 0) return false;
    // Totals like any others: a history that holds those dates already (an
    // earlier version ran again in between) is not added to.
    if (counts[1]) merge_usage(*usage, in, day, true, counts[1], 0, false);
    if (counts[2]) merge_usage(*usage, out, day, true, 0, counts[2], false);
    if (month_in) merge_usage(*usage, in, month_first, true, month_in, 0, false);
    if (month_out) merge_usage(*usage, out, month_first, true, 0, month_out, false);
    usage->changed = true;
    return true;
}

struct Pairs {
    std::vector<std::string> keys;
    std::vector<std::string> values;
    void add(std::string key, std::string value) {
        keys.push_back(std::move(key));
        values.push_back(std::move(value));
    }
};

std::string count_text(std::uint64_t count) {
    char text[24];
    std::snprintf(text, sizeof text, "%llu", static_cast<unsigned long long>(count));
    return text;
}

std::string count_pair_text(std::uint64_t received, std::uint64_t sent) {
    return count_text(received) + "," + count_text(sent);
}

}  // namespace

bool load_usage_file(const char* path, UsageCount* usage, UsageFileState* state, const char* download,
                     const char* upload) {
    UsageLines lines{};
    *state = {};
    if (!read_pairs_file(path, take_usage_pair, &lines)) return false;
    if (lines.this_version) {
        *state = lines.state;
        take_adapters(lines, usage);
        return true;
    }
    return take_over_earlier(lines, usage, download ? download : "", upload ? upload : "");
}

bool save_usage_file(const char* path, const UsageCount& usage) {
    Pairs pairs;
    pairs.add(keys::usage_day, usage.day.date);
    pairs.add(keys::usage_day_in, count_text(usage.day.in));
    pairs.add(keys::usage_day_out, count_text(usage.day.out));
    pairs.add(keys::usage_month, usage.month.date);
    pairs.add(keys::usage_month_in, count_text(usage.month.in));
    pairs.add(keys::usage_month_out, count_text(usage.month.out));
    char number[24];
    std::snprintf(number, sizeof number, "%lld", static_cast<long long>(usage.system_start_s));
    pairs.add(keys::adapter_system_start, number);

    // The rows the history does not hold whole, by adapter.
    std::vector<std::vector<const UsageDay*>> pending(usage.adapters.size());
    for (const UsageDay& row : usage.days) {
        if (row.received != row.kept_received || row.sent != row.kept_sent)
            pending[static_cast<std::size_t>(row.adapter)].push_back(&row);
    }
    int written = 0;
    for (std::size_t i = 0; i < usage.adapters.size(); ++i) {
        const UsageAdapter& adapter = usage.adapters[i];
        if (!adapter.has_counter && pending[i].empty()) continue;
        const std::string prefix = std::string(keys::adapter_prefix) + std::to_string(++written) + ".";
        pairs.add(prefix + keys::adapter_name, adapter.name);
        pairs.add(prefix + keys::adapter_hardware, adapter.hardware ? "1" : "0");
        if (adapter.has_counter) {
            pairs.add(prefix + keys::adapter_luid, count_text(adapter.key));
            pairs.add(prefix + keys::adapter_last, count_pair_text(adapter.last_received, adapter.last_sent));
        }
        for (const UsageDay* row : pending[i]) {
            char date[11];
            format_iso_date(date, row->day);
            pairs.add(prefix + date, count_pair_text(row->received, row->sent));
        }
    }
    if (plan_warning_state.level > 0) {
        char date[11];
        format_iso_date(date, plan_warning_state.period_first);
        pairs.add(keys::plan_warned_period, date);
        pairs.add(keys::plan_warned_level, std::to_string(plan_warning_state.level));
    }

    std::vector<Setting> settings(pairs.keys.size());
    for (std::size_t i = 0; i < settings.size(); ++i)
        settings[i] = {const_cast<char*>(pairs.keys[i].c_str()), const_cast<char*>(pairs.values[i].c_str())};
    return save_pairs_file(path, settings.data(), static_cast<std::int32_t>(settings.size()));
}

namespace {

std::int64_t last_write_ns = 0;
bool write_clock_started = false;
std::int64_t last_read_ns = 0;
bool read_clock_started = false;
// Counted in the same boot as the values usage.cfg kept.
bool same_boot = false;
// A history that could not be read, or not set aside, is never written over.
bool history_writable = true;
NamedInterfaces* reading = nullptr;

const char* stored_text(const char* key) {
    const Setting* setting = find_setting(key);
    return setting ? setting->value : "";
}

// Renames a damaged history, replacing an older set-aside one, so that a new one starts.
bool set_history_aside(const char* history) {
    char path[path_capacity];
    std::snprintf(path, sizeof path, "%s", history);
    const char* bad = settings_path("%s", usage_history_bad_file_name);
    return bad && replace_file(path, bad) == ReplaceResult::replaced;
}

void load_history() {
    history_writable = true;
    const char* path = settings_path("%s", usage_history_file_name);
    switch (read_usage_history(path, &usage_count)) {
        case HistoryRead::read:
        case HistoryRead::missing:
            break;
        case HistoryRead::unreadable:
            history_writable = false;
            break;
        case HistoryRead::damaged:
            history_writable = set_history_aside(path);
            if (history_writable) note_history_set_aside();
            break;
    }
}

// Counts what the table shows now; true when the local date changed since
// the last reading.
bool take_reading() {
    const DayNumber today = local_today();
    const DayNumber before = usage_count.today;
    const bool was_counting = usage_count.counting;
    if (!reading) reading = new (std::nothrow) NamedInterfaces();
    if (reading && read_named_interfaces(reading))
        count_reading(usage_count, *reading, today, same_boot);
    else
        usage_count.today = today;
    usage_count.system_start_s = read_system_start();
    return was_counting && today != before;
}

// The completed dates (and today's too when asked) into the history; what it
// then holds of each date need not wait in usage.cfg any more.
bool write_history(bool with_today, std::int64_t deadline_ns) {
    if (!history_writable) return false;
    bool news = false;
    for (const UsageDay& row : usage_count.days) {
        const bool taken = with_today || row.day != usage_count.today;
        news |= taken && (row.received != row.kept_received || row.sent != row.kept_sent);
    }
    // The file holds every taken date already (or there is none to hold).
    if (!news) return true;
    const char* file = settings_path_for_saving(usage_history_file_name);
    if (!file || !write_usage_history(file, usage_count, with_today, deadline_ns)) return false;
    for (UsageDay& row : usage_count.days) {
        if (!with_today && row.day == usage_count.today) continue;
        row.kept_received = row.received;
        row.kept_sent = row.sent;
    }
    usage_count.changed = true;
    return true;
}

void derive_periods() {
    derive_usage_periods(usage_count, traffic_graph.download_interface, traffic_graph.upload_interface);
}

}  // namespace

void load_usage() {
    usage_count = {};
    write_clock_started = read_clock_started = false;
    load_history();
    UsageFileState state{};
    load_usage_file(settings_path("%s", usage_file_name), &usage_count, &state, stored_text(keys::device_in),
                    stored_text(keys::device_out));
    plan_warning_state = state.plan;
    const std::int64_t system_start = read_system_start();
    const std::int64_t apart = system_start - state.system_start_s;
    same_boot = state.system_start_known && apart <= same_boot_tolerance_s && apart >= -same_boot_tolerance_s;
    // Values of another boot are no base for anything, whether or not a reading comes.
    if (!same_boot) {
        for (UsageAdapter& adapter : usage_count.adapters) adapter.has_counter = false;
    }
    usage_count.today = local_today();
    take_reading();
    derive_usage_periods(usage_count, stored_text(keys::device_in), stored_text(keys::device_out));
}

bool save_usage() {
    derive_periods();
    const char* file = settings_path_for_saving(usage_file_name);
    if (!file || !save_usage_file(file, usage_count)) return false;
    usage_count.changed = false;
    return true;
}

bool save_usage_history(bool with_today, std::int64_t deadline_ns) {
    take_reading();
    return write_history(with_today, deadline_ns);
}

void keep_usage(std::int64_t now_ns) {
    if (!read_clock_started) {
        last_read_ns = now_ns;
        read_clock_started = true;
    }
    if (!write_clock_started) {
        last_write_ns = now_ns;
        write_clock_started = true;
    }
    if (now_ns - last_read_ns >= usage_read_interval_ns) {
        last_read_ns = now_ns;
        // One try: the rows stay in usage.cfg until the next change of date or the exit.
        if (take_reading()) write_history(false, monotonic_ns());
    }
    derive_periods();
    if (usage_count.changed && now_ns - last_write_ns >= usage_write_interval_ns) {
        save_usage();
        last_write_ns = now_ns;
    }
}

void delete_usage() {
    for (const char* name : {usage_file_name, usage_history_file_name, usage_history_bad_file_name}) {
        if (const char* file = settings_path("%s", name)) remove_file(file);
    }
}

bool export_usage_history(const char* path) {
    return write_usage_history(path, usage_count, true, monotonic_ns() + replace_patience_ns);
}
