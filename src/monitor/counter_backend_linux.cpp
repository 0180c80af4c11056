// Byte counts from the kernel's per-interface statistics.
#include "counter_source.h"
#include "monitor/clock.h"

#include <sys/stat.h>
#include <cstdio>
#include <cstring>

namespace {

// A name longer than the kernel allows is cut off rather than written past the
// path; no such interface has a device then.
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
        row.key = static_cast<std::uint64_t>(table->count);
        row.received = received;
        row.sent = sent;
        row.hardware = has_device(name);
    }
    std::fclose(file);
    return true;
}

const CounterBackend kernel_backend = {read_interfaces, nullptr, 0, monotonic_ns, nullptr};

}  // namespace

const CounterBackend* platform_counter_backend() {
    return &kernel_backend;
}
