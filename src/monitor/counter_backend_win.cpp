// Byte counts from the IP Helper interface table.
#include "counter_source.h"
#include "monitor/clock.h"

// IP Helper's headers need winsock2 first.
// clang-format off
#include <winsock2.h>
#include <ws2ipdef.h>
#include <iphlpapi.h>
#include <netioapi.h>
#include <windows.h>
// clang-format on

#include "monitor/counter_backend_win.h"

void adapter_description(const WCHAR* description, int length, char (&text)[256]) {
    length = static_cast<int>(wcsnlen(description, static_cast<std::size_t>(length)));
    // A conversion that does not fit gives nothing at all, so shorten until one
    // does, never splitting a surrogate pair.
    for (; length > 0; --length) {
        if (IS_HIGH_SURROGATE(description[length - 1])) continue;
        const int written =
            WideCharToMultiByte(CP_ACP, 0, description, length, text, sizeof text - 1, nullptr, nullptr);
        if (written > 0) {
            text[written] = 0;
            return;
        }
    }
    text[0] = 0;
}

namespace {

// Filter layers are copies of an adapter that IP Helper lists beside it.
bool read_interfaces(InterfaceTable* table) {
    MIB_IF_TABLE2* interfaces = nullptr;
    table->count = 0;
    if (GetIfTable2(&interfaces) != NO_ERROR) return false;
    for (ULONG i = 0; i < interfaces->NumEntries && table->count < max_interfaces; ++i) {
        const MIB_IF_ROW2& entry = interfaces->Table[i];
        if (entry.InterfaceAndOperStatusFlags.FilterInterface) continue;
        InterfaceCounts& row = table->rows[table->count++];
        adapter_description(entry.Description, sizeof entry.Description / sizeof *entry.Description,
                            row.description);
        row.key = entry.InterfaceLuid.Value;
        row.received = entry.InOctets;
        row.sent = entry.OutOctets;
        row.hardware = entry.InterfaceAndOperStatusFlags.HardwareInterface != 0;
    }
    FreeMibTable(interfaces);
    return true;
}

bool refresh_rows(InterfaceTable* table) {
    for (int i = 0; i < table->count; ++i) {
        MIB_IF_ROW2 entry{};
        entry.InterfaceLuid.Value = table->rows[i].key;
        if (GetIfEntry2(&entry) != NO_ERROR) return false;
        table->rows[i].received = entry.InOctets;
        table->rows[i].sent = entry.OutOctets;
    }
    return true;
}

// One entry query costs about half a table query, so refresh a single adapter only.
const CounterBackend ip_helper_backend = {read_interfaces, refresh_rows, 1, monotonic_ns};

}  // namespace

const CounterBackend* platform_counter_backend() {
    return &ip_helper_backend;
}
