#include "monitor/usage_count.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "monitor/counter_step.h"
#include "monitor/format_rate.h"

UsageCount usage_count = {};

namespace {

// Years of counting at any speed stay far below the top; it holds there.
void add_bytes(std::uint64_t& total, std::uint64_t bytes) {
    total = total > UINT64_MAX - bytes ? UINT64_MAX : total + bytes;
}

bool row_before(const UsageDay& row, DayNumber day, std::int32_t adapter) {
    return row.day < day || (row.day == day && row.adapter < adapter);
}

// From one reading's time to another's; unknown when either is, or when the
// later one is not later (another boot taken for this one).
std::int64_t elapsed_ns(std::int64_t from_ms, std::int64_t to_ms) {
    if (from_ms < 0 || to_ms < from_ms) return unknown_elapsed;
    constexpr std::int64_t ns_per_ms = 1'000'000;
    const std::int64_t elapsed_ms = to_ms - from_ms;
    return elapsed_ms > INT64_MAX / ns_per_ms ? INT64_MAX : elapsed_ms * ns_per_ms;
}

// One direction's new bytes at a reading of `now` at `now_ms`, and the base
// it leaves: a glitch keeps the old one, with its time.
std::uint64_t growth(std::uint64_t& base, std::int64_t& base_ms, std::uint64_t now, std::uint64_t speed_bps,
                     std::int64_t now_ms) {
    std::uint64_t grown = 0;
    switch (classify_counter_step(base, now, speed_bps, elapsed_ns(base_ms, now_ms))) {
        case CounterStep::grew:
            grown = now - base;
            break;
        case CounterStep::reset:
            grown = now;
            break;
        case CounterStep::glitch:
            return 0;
        case CounterStep::rebase:
            break;
    }
    base = now;
    base_ms = now_ms;
    return grown;
}

void period_date(UsagePeriod& period, DayNumber day, int length) {
    char date[11];
    format_iso_date(date, day);
    std::snprintf(period.date, sizeof period.date, "%.*s", length, date);
}

// Names match as `same_text` matches them: ASCII letters in either case. The
// key is made in a buffer of the thread's, which a history's many rows reuse.
const std::string& lookup_key(const char* name) {
    thread_local std::string key;
    key.assign(name);
    for (char& c : key) {
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    }
    return key;
}

// An index of more adapters than there are belongs to a list that was
// replaced: it is made anew.
void index_adapters(UsageCount& usage) {
    if (usage.indexed > usage.adapters.size()) {
        usage.adapter_lookup.clear();
        usage.indexed = 0;
    }
    for (; usage.indexed < usage.adapters.size(); ++usage.indexed)
        usage.adapter_lookup.emplace(lookup_key(usage.adapters[usage.indexed].name),
                                     static_cast<std::int32_t>(usage.indexed));
}

}  // namespace

std::int32_t usage_adapter_index(UsageCount& usage, const char* name, bool make) {
    index_adapters(usage);
    const std::string& key = lookup_key(name);
    const auto found = usage.adapter_lookup.find(key);
    if (found != usage.adapter_lookup.end()) return found->second;
    if (!make || usage.adapters.size() >= max_usage_adapters) return -1;
    UsageAdapter adapter{};
    std::snprintf(adapter.name, sizeof adapter.name, "%s", name);
    usage.adapters.push_back(adapter);
    const std::int32_t index = static_cast<std::int32_t>(usage.adapters.size() - 1);
    usage.adapter_lookup.emplace(key, index);
    usage.indexed = usage.adapters.size();
    return index;
}

std::size_t first_usage_row(const UsageCount& usage, DayNumber day) {
    const auto at = std::lower_bound(usage.days.begin(), usage.days.end(), day,
                                     [](const UsageDay& row, DayNumber d) { return row.day < d; });
    return static_cast<std::size_t>(at - usage.days.begin());
}

namespace {

// Appending is the common case: today is the last date, and a file lists its rows in order.
UsageDay& usage_row(UsageCount& usage, std::int32_t adapter, DayNumber day, bool hardware) {
    auto at = usage.days.end();
    if (!usage.days.empty() && !row_before(usage.days.back(), day, adapter))
        at = std::lower_bound(usage.days.begin(), usage.days.end(), 0,
                              [&](const UsageDay& row, int) { return row_before(row, day, adapter); });
    if (at == usage.days.end() || at->day != day || at->adapter != adapter)
        at = usage.days.insert(at, UsageDay{day, adapter, hardware, 0, 0, 0, 0});
    at->hardware = hardware;
    usage.adapters[static_cast<std::size_t>(adapter)].hardware = hardware;
    usage.adapters[static_cast<std::size_t>(adapter)].has_days = true;
    return *at;
}

}  // namespace

void add_usage(UsageCount& usage, std::int32_t adapter, DayNumber day, bool hardware, std::uint64_t received,
               std::uint64_t sent) {
    UsageDay& row = usage_row(usage, adapter, day, hardware);
    add_bytes(row.received, received);
    add_bytes(row.sent, sent);
    usage.changed = true;
}

void take_filed_usage(UsageCount& usage, std::int32_t adapter, DayNumber day, bool hardware,
                      std::uint64_t received, std::uint64_t sent, bool filed) {
    UsageDay& row = usage_row(usage, adapter, day, hardware);
    if (filed) {
        row.filed_received = row.received = std::max(row.received, received);
        row.filed_sent = row.sent = std::max(row.sent, sent);
    } else {
        row.received = received;
        row.sent = sent;
    }
}

void merge_usage(UsageCount& usage, std::int32_t adapter, DayNumber day, bool hardware,
                 std::uint64_t received, std::uint64_t sent) {
    UsageDay& row = usage_row(usage, adapter, day, hardware);
    row.received = std::max(row.received, received);
    row.sent = std::max(row.sent, sent);
}

void keep_bases_of_this_boot(UsageCount& usage, std::int64_t uptime_ms) {
    auto& bases = usage.counters;
    bases.erase(std::remove_if(bases.begin(), bases.end(),
                               [&](const UsageCounter& base) {
                                   return base.received_ms > uptime_ms || base.sent_ms > uptime_ms;
                               }),
                bases.end());
    for (UsageCounter& base : bases) base.received_ms = base.sent_ms = uptime_ms;
    // The router went on meanwhile: its base stays, read at a time this boot
    // cannot tell.
    usage.router.base.counted_uptime_ms = router_time_unknown;
}

void count_reading(UsageCount& usage, const NamedInterfaces& reading, DayNumber today, bool same_boot,
                   std::int64_t uptime_ms) {
    const bool first = !usage.counting;
    // At the first reading of a start taken for another boot, the bases kept
    // are none for the identities in it. One away keeps its base: were this
    // boot that one after all, its counters went on; if not, the base still
    // keeps it from counting all they hold again.
    const bool another_boot = first && !same_boot;
    // The table's order is not promised to stay: each row is matched against
    // the counters as they were before this reading, never as it left them.
    std::vector<UsageCounter> before;
    before.swap(usage.counters);
    std::vector<bool> matched(before.size(), false);
    for (UsageAdapter& adapter : usage.adapters) adapter.present = false;
    if (first) usage.new_base = true;
    for (int i = 0; i < reading.table.count; ++i) {
        const InterfaceCounts& row = reading.table.rows[i];
        const std::int32_t target = usage_adapter_index(usage, reading.names[i], true);
        if (target < 0) continue;
        std::size_t base = 0;
        while (base < before.size() && (matched[base] || before[base].key != row.key)) ++base;
        std::uint64_t received = 0;
        std::uint64_t sent = 0;
        UsageCounter counter{row.key, row.received, row.sent, uptime_ms, uptime_ms, target};
        if (base < before.size()) {
            matched[base] = true;
            const UsageCounter& last = before[base];
            if (!another_boot) {
                counter = last;
                counter.adapter = target;
                received =
                    growth(counter.received, counter.received_ms, row.received, row.receive_bps, uptime_ms);
                sent = growth(counter.sent, counter.sent_ms, row.sent, row.transmit_bps, uptime_ms);
            }
            if (counter.received < last.received || counter.sent < last.sent) usage.new_base = true;
            if (counter.received != last.received || counter.sent != last.sent || last.adapter != target)
                usage.changed = true;
        } else {
            // Came while counting, or in this boot since the counters were
            // last kept: its counters started with it.
            if (!first || same_boot) {
                received = row.received;
                sent = row.sent;
            }
            usage.new_base = usage.changed = true;
        }
        usage.counters.push_back(counter);
        UsageAdapter& adapter = usage.adapters[static_cast<std::size_t>(target)];
        adapter.present = true;
        adapter.hardware = row.hardware;
        if (received != 0 || sent != 0) add_usage(usage, target, today, row.hardware, received, sent);
    }
    // An identity that is away may come back with its counters gone on.
    for (std::size_t i = 0; i < before.size(); ++i) {
        if (!matched[i] && usage.counters.size() < max_usage_counters) usage.counters.push_back(before[i]);
    }
    usage.counting = true;
    usage.today = today;
}

ByteCounts usage_sum(const UsageCount& usage, const char* adapter, DayNumber first, DayNumber last) {
    ByteCounts sum{0, 0};
    if (!adapter || !*adapter) return sum;
    const bool all_hardware = std::strcmp(adapter, all_hardware_adapters) == 0;
    std::int32_t index = -1;
    if (!all_hardware) {
        for (std::size_t i = 0; i < usage.adapters.size() && index < 0; ++i) {
            if (same_text(usage.adapters[i].name, adapter)) index = static_cast<std::int32_t>(i);
        }
        if (index < 0) return sum;
    }
    for (std::size_t i = first_usage_row(usage, first); i < usage.days.size(); ++i) {
        const UsageDay& row = usage.days[i];
        if (row.day > last) break;
        if (all_hardware ? !row.hardware : row.adapter != index) continue;
        add_bytes(sum.received, row.received);
        add_bytes(sum.sent, row.sent);
    }
    return sum;
}

void derive_usage_periods(UsageCount& usage, const char* download, const char* upload) {
    const CivilDate date = civil_date(usage.today);
    const DayNumber month_first = day_number({date.year, date.month, 1});
    const DayNumber month_last = month_first + days_in_month(date.year, date.month) - 1;
    period_date(usage.day, usage.today, 10);
    period_date(usage.month, usage.today, 7);
    usage.day.in = usage_sum(usage, download, usage.today, usage.today).received;
    usage.day.out = usage_sum(usage, upload, usage.today, usage.today).sent;
    usage.month.in = usage_sum(usage, download, month_first, month_last).received;
    usage.month.out = usage_sum(usage, upload, month_first, month_last).sent;
}

void format_usage_line(char (&line)[48], const char* name, const UsagePeriod& period) {
    char in[16];
    char out[16];
    format_byte_count(in, period.in);
    format_byte_count(out, period.out);
    std::snprintf(line, sizeof line, "%s:  %s down, %s up", name, in, out);
}
