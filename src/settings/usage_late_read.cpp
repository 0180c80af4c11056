#include "settings/usage_late_read.h"

#include <algorithm>
#include <new>

#include "monitor/clock.h"
#include "settings/settings_file.h"

namespace {

bool has_key(const std::vector<std::uint64_t>& keys, std::uint64_t key) {
    return std::find(keys.begin(), keys.end(), key) != keys.end();
}

bool has_counter(const UsageCount& usage, std::uint64_t key) {
    return std::any_of(usage.counters.begin(), usage.counters.end(),
                       [key](const UsageCounter& counter) { return counter.key == key; });
}

UsageDay* row_of(UsageCount& usage, std::int32_t adapter, DayNumber day) {
    for (std::size_t i = first_usage_row(usage, day); i < usage.days.size() && usage.days[i].day == day;
         ++i) {
        if (usage.days[i].adapter == adapter) return &usage.days[i];
    }
    return nullptr;
}

// The same adapter in `usage`, made when missing; -1 when no more can be.
std::int32_t adapter_in(UsageCount& usage, const UsageCount& other, std::int32_t adapter) {
    return usage_adapter_index(usage, other.adapters[static_cast<std::size_t>(adapter)].name, true);
}

std::uint64_t sum(std::uint64_t a, std::uint64_t b) {
    return a > UINT64_MAX - b ? UINT64_MAX : a + b;
}

// What this run counted on a row over what the history held of it.
std::uint64_t counted(std::uint64_t total, std::uint64_t filed) {
    return total > filed ? total - filed : 0;
}

void take_back(std::uint64_t& total, std::uint64_t bytes) {
    total -= std::min(total, bytes);
}

// The file's bases as a start of this boot would have taken them: the growth
// up to the run's first reading, counted on its date.
void count_to_first_reading(UsageCount& usage, const UsageCount& file, const UnreadCounting& counting) {
    UsageCount since{};
    since.counters = file.counters;
    count_reading(since, *counting.first_reading, counting.first_day, true, counting.first_uptime_ms);
    for (const UsageDay& row : since.days) {
        const std::int32_t adapter = adapter_in(usage, since, row.adapter);
        if (adapter >= 0) add_usage(usage, adapter, row.day, row.hardware, row.received, row.sent);
    }
}

}  // namespace

UsageFileState read_usage_file_at_start(const char* path, UsageCount* usage, const char* download,
                                        const char* upload) {
    UsageFileState state{};
    const std::int64_t deadline = save_deadline(monotonic_ns());
    for (;;) {
        load_usage_file(path, usage, &state, download, upload);
        const FileRead outcome = state.unreadable ? FileRead::unreadable : FileRead::read;
        if (!retry_read_before(outcome, deadline, monotonic_ns())) return state;
        pause_before_retry();
    }
}

std::unique_ptr<LateUsage> read_late_usage(const char* path, const char* download, const char* upload) {
    std::unique_ptr<LateUsage> late(new (std::nothrow) LateUsage());
    if (!late) return nullptr;
    load_usage_file(path, &late->file, &late->state, download, upload);
    if (late->state.unreadable) return nullptr;
    return late;
}

void note_unread_reading(UnreadCounting& counting, const UsageCount& usage, const NamedInterfaces& reading,
                         bool first, std::int64_t uptime_ms) {
    if (first) {
        counting.first_reading.reset(new (std::nothrow) NamedInterfaces(reading));
        counting.first_day = usage.today;
        counting.first_uptime_ms = uptime_ms;
    }
    for (const UsageCounter& counter : usage.counters) {
        if (has_key(counting.seen, counter.key)) continue;
        counting.seen.push_back(counter.key);
        if (!first)
            counting.appeared.push_back(
                {counter.key, counter.adapter, usage.today, counter.received, counter.sent});
    }
}

void merge_late_usage(UsageCount& usage, const LateUsage& late, const UnreadCounting& counting,
                      bool same_boot) {
    const UsageCount& file = late.file;
    for (const UsageDay& row : file.days) {
        const std::int32_t adapter = adapter_in(usage, file, row.adapter);
        if (adapter < 0) continue;
        std::uint64_t received = row.received;
        std::uint64_t sent = row.sent;
        bool hardware = row.hardware;
        if (const UsageDay* now = row_of(usage, adapter, row.day)) {
            received = sum(received, counted(now->received, now->filed_received));
            sent = sum(sent, counted(now->sent, now->filed_sent));
            hardware = now->hardware;
        }
        take_filed_usage(usage, adapter, row.day, hardware, received, sent, false);
    }
    usage.changed = true;
    // The router's readings waited for the file: its base counts them.
    if (!usage.router.known) usage.router = file.router;
    if (!same_boot) return;
    if (counting.first_reading) count_to_first_reading(usage, file, counting);
    for (const UsageCounter& base : file.counters) {
        // Counted whole when it came, as new in the boot: the file had
        // counted up to its base already.
        for (const UnreadCounting::Appeared& came : counting.appeared) {
            UsageDay* row = came.key == base.key ? row_of(usage, came.adapter, came.day) : nullptr;
            if (row && came.received >= base.received) take_back(row->received, base.received);
            if (row && came.sent >= base.sent) take_back(row->sent, base.sent);
        }
        const std::int32_t adapter = adapter_in(usage, file, base.adapter);
        if (adapter >= 0 && !has_counter(usage, base.key))
            usage.counters.push_back({base.key, base.received, base.sent, base.received_ms, base.sent_ms, adapter});
    }
}

PlanWarningState later_plan_warnings(const PlanWarningState& a, const PlanWarningState& b) {
    if (a.level == 0) return b;
    if (b.level == 0 || a.period_first > b.period_first) return a;
    if (b.period_first > a.period_first) return b;
    return a.level >= b.level ? a : b;
}
