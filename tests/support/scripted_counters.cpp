#include "scripted_counters.h"

#include <cstdio>

namespace {

struct ScriptedInterface {
    char description[256];
    bool hardware;
    bool present;
    std::uint64_t received;
    std::uint64_t sent;
    std::uint64_t speed_bps;
};

ScriptedInterface interfaces[max_interfaces];
int interface_count = 0;
std::int64_t clock_ns = 0;
bool failing = false;
int table_reads = 0;
int row_refreshes = 0;
int default_route = -1;

void fill_row(InterfaceCounts& row, int index) {
    const ScriptedInterface& source = interfaces[index];
    std::snprintf(row.description, sizeof row.description, "%s", source.description);
    row.key = static_cast<std::uint64_t>(index);
    row.received = source.received;
    row.sent = source.sent;
    row.receive_bps = row.transmit_bps = source.speed_bps;
    row.hardware = source.hardware;
}

bool read_interfaces(InterfaceTable* table) {
    ++table_reads;
    table->count = 0;
    if (failing) return false;
    for (int i = 0; i < interface_count; ++i) {
        if (interfaces[i].present) fill_row(table->rows[table->count++], i);
    }
    return true;
}

bool refresh_rows(InterfaceTable* table) {
    ++row_refreshes;
    if (failing) return false;
    for (int i = 0; i < table->count; ++i) {
        const int index = static_cast<int>(table->rows[i].key);
        if (index >= interface_count || !interfaces[index].present) return false;
        fill_row(table->rows[i], index);
    }
    return true;
}

std::int64_t now_ns() {
    return clock_ns;
}

bool default_route_key(std::uint64_t* key) {
    if (default_route < 0 || !interfaces[default_route].present) return false;
    *key = static_cast<std::uint64_t>(default_route);
    return true;
}

CounterBackend scripted_backend = {read_interfaces, nullptr, 0, now_ns, default_route_key};

}  // namespace

void scripted_reset() {
    interface_count = 0;
    clock_ns = 0;
    failing = false;
    table_reads = row_refreshes = 0;
    default_route = -1;
    scripted_backend.refresh_rows = nullptr;
    scripted_backend.max_refresh_rows = 0;
    set_counter_backend(&scripted_backend);
}

int scripted_add(const char* description, bool hardware) {
    ScriptedInterface& added = interfaces[interface_count];
    std::snprintf(added.description, sizeof added.description, "%s", description);
    added.hardware = hardware;
    added.present = true;
    added.received = added.sent = added.speed_bps = 0;
    return interface_count++;
}

void scripted_set_counts(int index, std::uint64_t received, std::uint64_t sent) {
    interfaces[index].received = received;
    interfaces[index].sent = sent;
}

void scripted_add_counts(int index, std::uint64_t received, std::uint64_t sent) {
    interfaces[index].received += received;
    interfaces[index].sent += sent;
}

void scripted_set_present(int index, bool present) {
    interfaces[index].present = present;
}

void scripted_set_speed(int index, std::uint64_t bps) {
    interfaces[index].speed_bps = bps;
}

void scripted_advance_ms(double milliseconds) {
    clock_ns += static_cast<std::int64_t>(milliseconds * 1e6);
}

void scripted_set_failing(bool fail) {
    failing = fail;
}

int scripted_table_reads() {
    return table_reads;
}

int scripted_row_refreshes() {
    return row_refreshes;
}

void scripted_allow_refresh(int rows) {
    scripted_backend.refresh_rows = rows > 0 ? refresh_rows : nullptr;
    scripted_backend.max_refresh_rows = rows;
}

void scripted_set_default_route(int index) {
    default_route = index;
}
