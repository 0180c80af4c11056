#include "settings/usage_file.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "settings/router_file.h"
#include "settings/setting_keys.h"
#include "settings/settings_file.h"
#include "settings/usage_values.h"

namespace {

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
    bool has_last_uptime;
    std::uint64_t last_received_ms;
    std::uint64_t last_sent_ms;
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
    RouterLines router;
};

// "adapter.<n>.<what>": the adapter of number n, made when missing.
StoredAdapter* stored_adapter(UsageLines& lines, const char* key, const char** what) {
    const char* number = key + sizeof keys::adapter_prefix - 1;
    const std::size_t digits = std::strspn(number, "0123456789");
    if (digits == 0 || digits > 4 || number[digits] != '.') return nullptr;
    const int n = std::atoi(number);
    if (static_cast<std::size_t>(n) > max_usage_file_entries) return nullptr;
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
    } else if (std::strcmp(what, keys::adapter_last_uptime) == 0) {
        adapter->has_last_uptime =
            read_count_pair(value, &adapter->last_received_ms, &adapter->last_sent_ms) &&
            adapter->last_received_ms <= INT64_MAX && adapter->last_sent_ms <= INT64_MAX;
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
    } else if (std::strncmp(key, keys::router_prefix, sizeof keys::router_prefix - 1) == 0) {
        take_router_line(lines.router, key, value);
    } else if (std::strncmp(key, keys::roaming_left_prefix, sizeof keys::roaming_left_prefix - 1) == 0) {
        LeftBehind left{key + sizeof keys::roaming_left_prefix - 1, {}};
        if (read_count_pair(value, &left.stamp.written, &left.stamp.size))
            lines.state.left_behind.push_back(std::move(left));
    } else if (std::strcmp(key, keys::plan_warned_period) == 0) {
        if (!parse_iso_date(value, &lines.state.plan.period_first)) lines.state.plan = {};
    } else if (std::strcmp(key, keys::plan_warned_level) == 0) {
        const int level = std::strcmp(value, "1") == 0 ? 1 : std::strcmp(value, "2") == 0 ? 2 : 0;
        lines.state.plan.level = level;
    }
    return true;
}

// The file's counts stand over the history's: they are newer. A name's entries
// after its first (one per counter base) say nothing more of it.
void take_adapters(const UsageLines& lines, UsageCount* usage) {
    std::vector<bool> named(usage->adapters.size() + lines.adapters.size(), false);
    for (const StoredAdapter& stored : lines.adapters) {
        if (stored.name.empty()) continue;
        const std::int32_t index = usage_adapter_index(*usage, stored.name.c_str(), true);
        if (index < 0) continue;
        UsageAdapter& adapter = usage->adapters[static_cast<std::size_t>(index)];
        if (!named[static_cast<std::size_t>(index)]) adapter.hardware = stored.hardware;
        named[static_cast<std::size_t>(index)] = true;
        const bool known =
            std::any_of(usage->counters.begin(), usage->counters.end(),
                        [&](const UsageCounter& counter) { return counter.key == stored.luid; });
        // Without the times of its readings (an earlier version's), a base
        // still counts growth, but no step back.
        const std::int64_t received_ms =
            stored.has_last_uptime ? static_cast<std::int64_t>(stored.last_received_ms) : unknown_uptime;
        const std::int64_t sent_ms =
            stored.has_last_uptime ? static_cast<std::int64_t>(stored.last_sent_ms) : unknown_uptime;
        if (stored.has_luid && stored.has_last && !known && usage->counters.size() < max_usage_counters)
            usage->counters.push_back(
                {stored.luid, stored.last_received, stored.last_sent, received_ms, sent_ms, index});
        for (const StoredDay& day : stored.days)
            take_filed_usage(*usage, index, day.day, adapter.hardware, day.received, day.sent, false);
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
    if (counts[1]) merge_usage(*usage, in, day, true, counts[1], 0);
    if (counts[2]) merge_usage(*usage, out, day, true, 0, counts[2]);
    if (month_in) merge_usage(*usage, in, month_first, true, month_in, 0);
    if (month_out) merge_usage(*usage, out, month_first, true, 0, month_out);
    usage->changed = true;
    return true;
}

}  // namespace

bool load_usage_file(const char* path, UsageCount* usage, UsageFileState* state, const char* download,
                     const char* upload) {
    UsageLines lines{};
    *state = {};
    const FileRead outcome = read_pairs_file(path, take_usage_pair, &lines);
    state->unreadable = outcome == FileRead::unreadable;
    if (outcome != FileRead::read) return false;
    if (lines.this_version) {
        *state = lines.state;
        take_adapters(lines, usage);
        usage->router = router_of_lines(lines.router);
        return true;
    }
    return take_over_earlier(lines, usage, download ? download : "", upload ? upload : "");
}

std::string usage_file_text(const UsageCount& usage, const PlanWarningState& plan) {
    std::string text;
    add_line(text, keys::usage_day, usage.day.date);
    add_line(text, keys::usage_day_in, count_text(usage.day.in));
    add_line(text, keys::usage_day_out, count_text(usage.day.out));
    add_line(text, keys::usage_month, usage.month.date);
    add_line(text, keys::usage_month_in, count_text(usage.month.in));
    add_line(text, keys::usage_month_out, count_text(usage.month.out));
    add_line(text, keys::adapter_system_start, std::to_string(usage.system_start_s));

    // By adapter: its counter bases (one entry each), and the rows the
    // history does not hold as they are, under the first. At most one entry
    // per base and one per adapter: never past `max_usage_file_entries`.
    std::vector<std::vector<const UsageDay*>> grown(usage.adapters.size());
    for (const UsageDay& row : usage.days) {
        if (grown_past_file(row)) grown[static_cast<std::size_t>(row.adapter)].push_back(&row);
    }
    std::vector<std::vector<const UsageCounter*>> bases(usage.adapters.size());
    for (const UsageCounter& counter : usage.counters)
        bases[static_cast<std::size_t>(counter.adapter)].push_back(&counter);
    int written = 0;
    for (std::size_t i = 0; i < usage.adapters.size(); ++i) {
        const std::size_t entries = std::max<std::size_t>(bases[i].size(), grown[i].empty() ? 0 : 1);
        for (std::size_t entry = 0; entry < entries; ++entry) {
            const std::string prefix = std::string(keys::adapter_prefix) + std::to_string(++written) + ".";
            add_line(text, prefix + keys::adapter_name, usage.adapters[i].name);
            add_line(text, prefix + keys::adapter_hardware, usage.adapters[i].hardware ? "1" : "0");
            if (entry < bases[i].size()) {
                const UsageCounter& base = *bases[i][entry];
                add_line(text, prefix + keys::adapter_luid, count_text(base.key));
                add_line(text, prefix + keys::adapter_last, count_pair_text(base.received, base.sent));
                if (base.received_ms >= 0 && base.sent_ms >= 0)
                    add_line(text, prefix + keys::adapter_last_uptime,
                             count_pair_text(static_cast<std::uint64_t>(base.received_ms),
                                             static_cast<std::uint64_t>(base.sent_ms)));
            }
            if (entry > 0) continue;
            for (const UsageDay* row : grown[i]) {
                char date[11];
                format_iso_date(date, row->day);
                add_line(text, prefix + date, count_pair_text(row->received, row->sent));
            }
        }
    }
    text += router_file_text(usage.router);
    if (plan.level > 0) {
        char date[11];
        format_iso_date(date, plan.period_first);
        add_line(text, keys::plan_warned_period, date);
        add_line(text, keys::plan_warned_level, std::to_string(plan.level));
    }
    return text;
}

std::string left_behind_text(const std::vector<LeftBehind>& left) {
    std::string text;
    for (const LeftBehind& file : left)
        add_line(text, keys::roaming_left_prefix + file.name,
                 count_pair_text(file.stamp.written, file.stamp.size));
    return text;
}
