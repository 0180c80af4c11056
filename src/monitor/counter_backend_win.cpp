// Byte counts from the IP Helper interface table.
#include "monitor/counter_backend.h"

#include "monitor/clock.h"

// IP Helper's headers need winsock2 first.
// clang-format off
#include <winsock2.h>
#include <ws2ipdef.h>
#include <iphlpapi.h>
#include <netioapi.h>
#include <windows.h>
// clang-format on

#include <cstring>

#include "monitor/counter_backend_win.h"
#include "monitor/system_library.h"

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

// All ones is IP Helper's word for a speed it does not know.
std::uint64_t link_speed(ULONG64 reported) {
    return reported == ~ULONG64{0} ? 0 : reported;
}

void take_counts(InterfaceCounts& row, const MIB_IF_ROW2& entry) {
    row.received = entry.InOctets;
    row.sent = entry.OutOctets;
    row.receive_bps = link_speed(entry.ReceiveLinkSpeed);
    row.transmit_bps = link_speed(entry.TransmitLinkSpeed);
}

// IP Helper is no Known DLL: it is loaded from System32 on first use, never
// imported, so that a file of its name beside mivrel is not loaded instead.
struct IpHelper {
    decltype(&GetIfTable2) get_if_table2;
    decltype(&GetIfEntry2) get_if_entry2;
    decltype(&FreeMibTable) free_mib_table;
    decltype(&GetBestInterfaceEx) get_best_interface_ex;
    decltype(&ConvertInterfaceIndexToLuid) convert_interface_index_to_luid;
};

IpHelper load_ip_helper() {
    IpHelper loaded{};
    HMODULE module = load_system_library(L"iphlpapi.dll");
    if (!module) return {};
    const bool complete =
        find_function(module, "GetIfTable2", &loaded.get_if_table2) &&
        find_function(module, "GetIfEntry2", &loaded.get_if_entry2) &&
        find_function(module, "FreeMibTable", &loaded.free_mib_table) &&
        find_function(module, "GetBestInterfaceEx", &loaded.get_best_interface_ex) &&
        find_function(module, "ConvertInterfaceIndexToLuid", &loaded.convert_interface_index_to_luid);
    return complete ? loaded : IpHelper{};
}

// Null when IP Helper cannot be had: the platform then does not answer.
const IpHelper* ip_helper() {
    static const IpHelper loaded = load_ip_helper();
    return loaded.get_if_table2 ? &loaded : nullptr;
}

// Filter layers are copies of an adapter that IP Helper lists beside it.
bool read_interfaces(InterfaceTable* table) {
    MIB_IF_TABLE2* interfaces = nullptr;
    table->count = 0;
    const IpHelper* api = ip_helper();
    if (!api || api->get_if_table2(&interfaces) != NO_ERROR) return false;
    for (ULONG i = 0; i < interfaces->NumEntries && table->count < max_interfaces; ++i) {
        const MIB_IF_ROW2& entry = interfaces->Table[i];
        if (entry.InterfaceAndOperStatusFlags.FilterInterface) continue;
        InterfaceCounts& row = table->rows[table->count++];
        adapter_description(entry.Description, sizeof entry.Description / sizeof *entry.Description,
                            row.description);
        row.key = entry.InterfaceLuid.Value;
        take_counts(row, entry);
        row.hardware = entry.InterfaceAndOperStatusFlags.HardwareInterface != 0;
    }
    api->free_mib_table(interfaces);
    return true;
}

bool refresh_rows(InterfaceTable* table) {
    const IpHelper* api = ip_helper();
    if (!api) return false;
    for (int i = 0; i < table->count; ++i) {
        MIB_IF_ROW2 entry{};
        entry.InterfaceLuid.Value = table->rows[i].key;
        if (api->get_if_entry2(&entry) != NO_ERROR) return false;
        take_counts(table->rows[i], entry);
    }
    return true;
}

// The route table's choice towards an address; asking sends nothing.
bool best_interface_towards(sockaddr* address, std::uint64_t* key) {
    const IpHelper* api = ip_helper();
    DWORD index = 0;
    if (!api || api->get_best_interface_ex(address, &index) != NO_ERROR) return false;
    NET_LUID luid{};
    if (api->convert_interface_index_to_luid(index, &luid) != NO_ERROR) return false;
    *key = luid.Value;
    return true;
}

// Towards a root name server's public addresses, which only the default route
// reaches; IPv4 first, IPv6 where there is no IPv4 route.
bool default_route_key(std::uint64_t* key) {
    sockaddr_in v4{};
    v4.sin_family = AF_INET;
    const unsigned char v4_address[4] = {198, 41, 0, 4};
    std::memcpy(&v4.sin_addr, v4_address, sizeof v4_address);
    if (best_interface_towards(reinterpret_cast<sockaddr*>(&v4), key)) return true;
    sockaddr_in6 v6{};
    v6.sin6_family = AF_INET6;
    const unsigned char v6_address[16] = {0x20, 0x01, 0x05, 0x03, 0xba, 0x3e, 0, 0,
                                          0,    0,    0,    0,    0,    0x02, 0, 0x30};
    std::memcpy(&v6.sin6_addr, v6_address, sizeof v6_address);
    return best_interface_towards(reinterpret_cast<sockaddr*>(&v6), key);
}

// One entry query costs about half a table query, so refresh a single adapter only.
const CounterBackend ip_helper_backend = {read_interfaces, refresh_rows, 1, monotonic_ns, default_route_key};

}  // namespace

const CounterBackend* platform_counter_backend() {
    return &ip_helper_backend;
}
