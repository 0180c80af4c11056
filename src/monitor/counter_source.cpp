#include "counter_source.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <memory>
#include <new>
#include <vector>

#include "monitor/counter_paths.h"
#include "monitor/counter_step.h"

namespace {

constexpr PDH_STATUS PDH_CSTATUS_NO_INSTANCE = static_cast<PDH_STATUS>(0x800007D1u);
constexpr int name_size = instance_name_size;

struct Snapshot {
    InterfaceTable table;
    char names[max_interfaces][name_size];
    std::int64_t time_ns;
    bool ok;        // the platform answered at this collection
    bool complete;  // every interface, not only the refreshed ones in use
};

}  // namespace

struct Counter {
    CounterQuery* query;
    char instance[512];
    bool received;
};

struct CounterQuery {
    CounterQuery* next_live;
    std::vector<Counter*> counters;
    Snapshot snapshots[2];
    int current;  // index of the latest snapshot
    int collections;
};

namespace {

const CounterBackend* active_backend = nullptr;
// A plain pointer, constant-initialised: queries are opened while globals are
// still being constructed, in whatever order the files' initialisers run.
CounterQuery* live_queries = nullptr;

const CounterBackend& backend() {
    return active_backend ? *active_backend : *platform_counter_backend();
}

bool is_live(const CounterQuery* query) {
    for (const CounterQuery* live = live_queries; live; live = live->next_live) {
        if (live == query) return true;
    }
    return false;
}

bool is_live(const Counter* counter) {
    if (!counter) return false;
    for (const CounterQuery* query = live_queries; query; query = query->next_live) {
        if (std::find(query->counters.begin(), query->counters.end(), counter) != query->counters.end())
            return true;
    }
    return false;
}

const InterfaceCounts* find_row(const Snapshot& snapshot, const char* name) {
    for (int i = 0; i < snapshot.table.count; ++i) {
        if (same_text(snapshot.names[i], name)) return &snapshot.table.rows[i];
    }
    return nullptr;
}

bool is_wildcard(const Counter* counter) {
    return std::strcmp(counter->instance, "*") == 0;
}

// Refreshing only the adapters in use is cheaper where the backend says so;
// it needs every instance found at the last collection and no "*" counter.
bool refresh_in_use(const CounterQuery& query, const Snapshot& last, Snapshot* next) {
    const CounterBackend& source = backend();
    if (!source.refresh_rows || !last.ok) return false;
    next->table.count = 0;
    for (const Counter* counter : query.counters) {
        if (is_wildcard(counter)) return false;
        const InterfaceCounts* row = find_row(last, counter->instance);
        if (!row) return false;
        bool listed = false;
        for (int i = 0; i < next->table.count; ++i) listed |= same_text(next->names[i], counter->instance);
        if (listed) continue;
        if (next->table.count >= source.max_refresh_rows) return false;
        int at = next->table.count++;
        next->table.rows[at] = *row;
        std::memcpy(next->names[at], last.names[row - last.table.rows], name_size);
    }
    return source.refresh_rows(&next->table);
}

std::uint64_t& direction(InterfaceCounts& row, bool received) {
    return received ? row.received : row.sent;
}

std::uint64_t direction(const InterfaceCounts& row, bool received) {
    return received ? row.received : row.sent;
}

std::uint64_t speed(const InterfaceCounts& row, bool received) {
    return received ? row.receive_bps : row.transmit_bps;
}

// A glitch reads as no traffic: the count before stays in the snapshot as the
// base of the next rate, so that the counter's rebound is no traffic either.
void hold_glitches(const Snapshot& last, Snapshot* next) {
    const std::int64_t elapsed_ns = next->time_ns - last.time_ns;
    for (int i = 0; i < next->table.count; ++i) {
        InterfaceCounts& row = next->table.rows[i];
        const InterfaceCounts* before = nullptr;
        for (int j = 0; j < last.table.count && !before; ++j) {
            if (last.table.rows[j].key == row.key) before = &last.table.rows[j];
        }
        if (!before) continue;
        for (bool received : {true, false}) {
            const std::uint64_t from = direction(*before, received);
            if (classify_counter_step(from, direction(row, received), speed(row, received), elapsed_ns) ==
                CounterStep::glitch)
                direction(row, received) = from;
        }
    }
}

void take_snapshot(CounterQuery* query) {
    const Snapshot& last = query->snapshots[query->current];
    Snapshot* next = &query->snapshots[1 - query->current];
    if (query->collections > 0 && refresh_in_use(*query, last, next)) {
        next->ok = true;
        next->complete = false;
    } else {
        next->table.count = 0;
        next->ok = backend().read_interfaces(&next->table);
        next->complete = next->ok;
        if (!next->ok) next->table.count = 0;
        next->table.count = std::clamp(next->table.count, 0, max_interfaces);
        name_rows(next->table, next->names);
    }
    next->time_ns = backend().now_ns();
    if (query->collections > 0 && last.ok && next->ok) hold_glitches(last, next);
    query->current = 1 - query->current;
    ++query->collections;
}

// Change of one direction's byte count; false when it went back for no reason
// the link's speed can tell.
bool count_change(const InterfaceCounts& before, const InterfaceCounts& after, bool received,
                  std::int64_t elapsed_ns, std::uint64_t* change) {
    const std::uint64_t from = direction(before, received);
    const std::uint64_t to = direction(after, received);
    switch (classify_counter_step(from, to, speed(after, received), elapsed_ns)) {
        case CounterStep::grew:
            *change = to - from;
            return true;
        case CounterStep::reset:
            *change = to;
            return true;
        case CounterStep::glitch:
            *change = 0;
            return true;
        case CounterStep::rebase:
            break;
    }
    return false;
}

PDH_STATUS counter_change(const Counter& counter, const Snapshot& before, const Snapshot& after,
                          std::uint64_t* change) {
    const std::int64_t elapsed_ns = after.time_ns - before.time_ns;
    if (!is_wildcard(&counter)) {
        const InterfaceCounts* old_row = find_row(before, counter.instance);
        const InterfaceCounts* new_row = find_row(after, counter.instance);
        if (!old_row || !new_row) return PDH_CSTATUS_NO_INSTANCE;
        if (!count_change(*old_row, *new_row, counter.received, elapsed_ns, change))
            return PDH_CALC_NEGATIVE_VALUE;
        return 0;
    }
    // A total over a collection that refreshed only some adapters would be short.
    if (!before.complete) return PDH_CSTATUS_INVALID_DATA;
    // Only hardware adapters: loopback, filters, tunnels and VPNs carry traffic
    // that a hardware adapter counts as well.
    std::uint64_t total = 0;
    for (int i = 0; i < after.table.count; ++i) {
        const InterfaceCounts& row = after.table.rows[i];
        if (!row.hardware) continue;
        const InterfaceCounts* old_row = find_row(before, after.names[i]);
        std::uint64_t part = 0;
        if (old_row && old_row->hardware && count_change(*old_row, row, counter.received, elapsed_ns, &part))
            total += part;
    }
    *change = total;
    return 0;
}

}  // namespace

bool read_named_interfaces(NamedInterfaces* interfaces) {
    interfaces->table.count = 0;
    if (!backend().read_interfaces(&interfaces->table)) return false;
    interfaces->table.count = std::clamp(interfaces->table.count, 0, max_interfaces);
    name_rows(interfaces->table, interfaces->names);
    return true;
}

bool default_route_instance(char* name, int size) {
    const CounterBackend& source = backend();
    std::uint64_t key = 0;
    if (size <= 0 || !source.default_route_key || !source.default_route_key(&key)) return false;
    // Named over the whole table, so that an adapter sharing its description
    // with another gets the same " _2" as in the list.
    std::unique_ptr<NamedInterfaces> interfaces(new (std::nothrow) NamedInterfaces());
    if (!interfaces || !read_named_interfaces(interfaces.get())) return false;
    for (int i = 0; i < interfaces->table.count; ++i) {
        if (interfaces->table.rows[i].key != key) continue;
        std::snprintf(name, static_cast<std::size_t>(size), "%s", interfaces->names[i]);
        return true;
    }
    return false;
}

void set_counter_backend(const CounterBackend* backend) {
    active_backend = backend;
}

PDH_STATUS PdhOpenQueryA(const char* /*data_source*/, std::uintptr_t /*user_data*/, PDH_HQUERY* query) {
    if (!query) return PDH_INVALID_ARGUMENT;
    CounterQuery* created = new (std::nothrow) CounterQuery();
    if (!created) return PDH_MEMORY_ALLOCATION_FAILURE;
    created->next_live = live_queries;
    live_queries = created;
    *query = created;
    return 0;
}

PDH_STATUS PdhAddCounterA(PDH_HQUERY query, const char* full_path, std::uintptr_t /*user_data*/,
                          PDH_HCOUNTER* counter) {
    if (!is_live(query)) return PDH_INVALID_HANDLE;
    if (!counter) return PDH_INVALID_ARGUMENT;
    ParsedPath parsed{};
    PDH_STATUS status = parse_path(full_path, &parsed);
    if (status != 0) return status;
    if (parsed.instance_length >= sizeof(Counter::instance)) return PDH_CSTATUS_BAD_COUNTERNAME;
    Counter* created = new (std::nothrow) Counter();
    if (!created) return PDH_MEMORY_ALLOCATION_FAILURE;
    created->query = query;
    std::memcpy(created->instance, parsed.instance, parsed.instance_length);
    created->instance[parsed.instance_length] = 0;
    created->received = parsed.received;
    query->counters.push_back(created);
    *counter = created;
    return 0;
}

PDH_STATUS PdhRemoveCounter(PDH_HCOUNTER counter) {
    if (!is_live(counter)) return PDH_INVALID_HANDLE;
    auto& counters = counter->query->counters;
    counters.erase(std::find(counters.begin(), counters.end(), counter));
    delete counter;
    return 0;
}

PDH_STATUS PdhCollectQueryData(PDH_HQUERY query) {
    if (!is_live(query)) return PDH_INVALID_HANDLE;
    take_snapshot(query);
    return query->snapshots[query->current].ok ? 0 : PDH_NO_DATA;
}

PDH_STATUS PdhGetFormattedCounterValue(PDH_HCOUNTER counter, std::uint32_t format, std::uint32_t* type,
                                       PDH_FMT_COUNTERVALUE* value) {
    if (!is_live(counter)) return PDH_INVALID_HANDLE;
    if (!value || !(format & (PDH_FMT_LONG | PDH_FMT_LARGE))) return PDH_INVALID_ARGUMENT;
    if (type) *type = 0;
    const CounterQuery& query = *counter->query;
    const Snapshot& after = query.snapshots[query.current];
    const Snapshot& before = query.snapshots[1 - query.current];
    PDH_STATUS status = PDH_CSTATUS_INVALID_DATA;
    std::int64_t elapsed_ns = after.time_ns - before.time_ns;
    std::uint64_t change = 0;
    if (query.collections >= 2 && before.ok && after.ok && elapsed_ns > 0)
        status = counter_change(*counter, before, after, &change);
    if (status != 0) {
        value->CStatus = static_cast<std::uint32_t>(status);
        value->largeValue = 0;
        return status;
    }
    double rate = static_cast<double>(change) * 1e9 / static_cast<double>(elapsed_ns);
    value->CStatus = 0;
    // 2^63 is exact in a double; anything at or past it is the top of the range.
    const std::int64_t large = rate >= 9223372036854775808.0 ? INT64_MAX : std::llround(rate);
    if (format & PDH_FMT_LARGE)
        value->largeValue = large;
    else
        value->longValue = large >= INT32_MAX ? INT32_MAX : static_cast<std::int32_t>(large);
    return 0;
}

PDH_STATUS PdhCloseQuery(PDH_HQUERY query) {
    if (!is_live(query)) return PDH_INVALID_HANDLE;
    for (Counter* counter : query->counters) delete counter;
    CounterQuery** link = &live_queries;
    while (*link != query) link = &(*link)->next_live;
    *link = query->next_live;
    delete query;
    return 0;
}

PDH_STATUS PdhExpandCounterPathA(const char* wildcard_path, char* expanded_paths, std::uint32_t* size) {
    if (!size) return PDH_INVALID_ARGUMENT;
    ParsedPath parsed{};
    PDH_STATUS status = parse_path(wildcard_path, &parsed);
    if (status != 0) return status;
    std::unique_ptr<NamedInterfaces> interfaces(new (std::nothrow) NamedInterfaces());
    if (!interfaces) return PDH_MEMORY_ALLOCATION_FAILURE;
    if (!read_named_interfaces(interfaces.get())) return PDH_CSTATUS_NO_OBJECT;

    const bool all = same_span(parsed.instance, parsed.instance_length, "*");
    const std::size_t prefix = static_cast<std::size_t>(parsed.instance - wildcard_path);
    const std::size_t suffix = std::strlen(parsed.counter) + 1;  // ")" and the counter name
    std::size_t needed = 1;
    for (int pass = 0; pass < 2; ++pass) {
        std::size_t at = 0;
        for (int i = 0; i < interfaces->table.count; ++i) {
            const char* name = interfaces->names[i];
            if (!all && !same_span(parsed.instance, parsed.instance_length, name)) continue;
            std::size_t length = prefix + std::strlen(name) + suffix + 1;
            if (pass == 1)
                std::snprintf(expanded_paths + at, length, "%.*s%s)%s", static_cast<int>(prefix),
                              wildcard_path, name, parsed.counter);
            at += length;
        }
        if (pass == 0) {
            needed = at + 1;
            if (!expanded_paths || *size < needed) {
                *size = static_cast<std::uint32_t>(needed);
                return PDH_MORE_DATA;
            }
        } else {
            expanded_paths[at] = 0;
        }
    }
    *size = static_cast<std::uint32_t>(needed);
    return 0;
}
