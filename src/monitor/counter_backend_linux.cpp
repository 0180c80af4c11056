// Byte counts from the kernel's per-interface statistics.
#include "monitor/counter_backend.h"

#include "monitor/clock.h"

#include <sys/stat.h>
#include <cstdio>
#include <cstring>
#include <memory>
#include <new>

namespace {

// A name longer than the kernel allows is cut off rather than written past the
// path; no such interface has a device then.
// The kernel's index stays with the interface while it lives, wherever it
// stands in the list; 0 when it cannot be read.
std::uint64_t interface_index(const char* name) {
    char path[64];
    std::snprintf(path, sizeof path, "/sys/class/net/%.32s/ifindex", name);
    std::FILE* file = std::fopen(path, "r");
    if (!file) return 0;
    unsigned long long index = 0;
    if (std::fscanf(file, "%llu", &index) != 1) index = 0;
    std::fclose(file);
    return index;
}

// The kernel gives a link's speed in Mbit/s, the same both ways; -1, or no
// file at all, when it does not know it (wireless and virtual links).
std::uint64_t link_speed(const char* name) {
    char path[64];
    std::snprintf(path, sizeof path, "/sys/class/net/%.32s/speed", name);
    std::FILE* file = std::fopen(path, "r");
    if (!file) return 0;
    long long mbits = 0;
    if (std::fscanf(file, "%lld", &mbits) != 1 || mbits < 0) mbits = 0;
    std::fclose(file);
    constexpr std::uint64_t bits_per_mbit = 1000000;
    const std::uint64_t speed = static_cast<std::uint64_t>(mbits);
    return speed > UINT64_MAX / bits_per_mbit ? UINT64_MAX : speed * bits_per_mbit;
}

bool has_device(const char* name) {
    char path[64];
    std::snprintf(path, sizeof path, "/sys/class/net/%.32s/device", name);
    struct stat status;
    return stat(path, &status) == 0;
}

// /proc/net/dev: two header lines, then "name: rx_bytes rx_packets ... tx_bytes ...".
bool read_interfaces(InterfaceTable* table) {
    std::FILE* file = std::fopen("/proc/net/dev", "r");
    if (!file) return false;
    char line[512];
    table->count = 0;
    while (std::fgets(line, sizeof line, file) && table->count < max_interfaces) {
        char* colon = std::strchr(line, ':');
        if (!colon) continue;
        *colon = 0;
        char* name = line;
        while (*name == ' ') ++name;
        unsigned long long received = 0, sent = 0, skip = 0;
        if (std::sscanf(colon + 1, "%llu %llu %llu %llu %llu %llu %llu %llu %llu", &received, &skip, &skip,
                        &skip, &skip, &skip, &skip, &skip, &sent) != 9)
            continue;
        InterfaceCounts& row = table->rows[table->count++];
        std::snprintf(row.description, sizeof row.description, "%.255s", name);
        // Kernel indexes start at 1; the place in the list stands in for one that cannot be read.
        const std::uint64_t index = interface_index(name);
        row.key = index ? index : (1ull << 32) + static_cast<std::uint64_t>(table->count);
        row.received = received;
        row.sent = sent;
        row.receive_bps = row.transmit_bps = link_speed(name);
        row.hardware = has_device(name);
    }
    std::fclose(file);
    return true;
}

// /proc/net/route: a header line, then "name destination gateway flags refs use
// metric mask ..." in hexadecimal; the default route has destination and mask 0.
bool default_route_name(char (&name)[64]) {
    std::FILE* file = std::fopen("/proc/net/route", "r");
    if (!file) return false;
    char line[512];
    unsigned long best_metric = 0;
    bool found = false;
    while (std::fgets(line, sizeof line, file)) {
        char iface[64];
        unsigned long destination = 0, gateway = 0, flags = 0, refs = 0, use = 0, metric = 0, mask = 0;
        if (std::sscanf(line, "%63s %lx %lx %lx %lu %lu %lu %lx", iface, &destination, &gateway, &flags,
                        &refs, &use, &metric, &mask) != 8)
            continue;
        const bool up = flags & 1;
        if (!up || destination != 0 || mask != 0 || (found && metric >= best_metric)) continue;
        std::snprintf(name, sizeof name, "%s", iface);
        best_metric = metric;
        found = true;
    }
    std::fclose(file);
    return found;
}

bool default_route_key(std::uint64_t* key) {
    char name[64];
    if (!default_route_name(name)) return false;
    std::unique_ptr<InterfaceTable> table(new (std::nothrow) InterfaceTable());
    if (!table || !read_interfaces(table.get())) return false;
    for (int i = 0; i < table->count; ++i) {
        if (std::strcmp(table->rows[i].description, name) != 0) continue;
        *key = table->rows[i].key;
        return true;
    }
    return false;
}

const CounterBackend kernel_backend = {read_interfaces, nullptr, 0, monotonic_ns, default_route_key};

}  // namespace

const CounterBackend* platform_counter_backend() {
    return &kernel_backend;
}
