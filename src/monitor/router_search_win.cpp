// Winsock 2 first: the headers after it bring the rest of Windows'.
#include <winsock2.h>

#include "monitor/router_search.h"

// clang-format off
#include <ws2tcpip.h>
#include <iphlpapi.h>
// clang-format on

#include <cstdio>
#include <cstring>
#include <memory>

#include "monitor/clock.h"
#include "monitor/handle_guards.h"
#include "monitor/system_library.h"
#include "monitor/upnp_router.h"

namespace {

// Past the loopback, a search must not travel: no router is more than a
// hop or two from the PC.
constexpr DWORD multicast_ttl = 2;
// The search is sent twice, the second time while the first's answers come.
constexpr std::int64_t second_send_ns = 500'000'000;

using GetAdaptersAddressesFunction = decltype(&GetAdaptersAddresses);

int platform_own_subnets(Ipv4Subnet (&subnets)[own_subnets_max]) {
    static const GetAdaptersAddressesFunction get_adapters_addresses = [] {
        GetAdaptersAddressesFunction function = nullptr;
        HMODULE module = load_system_library(L"iphlpapi.dll");
        return module && find_function(module, "GetAdaptersAddresses", &function) ? function : nullptr;
    }();
    if (!get_adapters_addresses) return 0;
    const ULONG flags = GAA_FLAG_SKIP_ANYCAST | GAA_FLAG_SKIP_MULTICAST | GAA_FLAG_SKIP_DNS_SERVER;
    ULONG size = 16384;
    std::unique_ptr<char[]> buffer;
    ULONG result = ERROR_BUFFER_OVERFLOW;
    for (int tries = 0; tries < 3 && result == ERROR_BUFFER_OVERFLOW; ++tries) {
        buffer = std::make_unique<char[]>(size);
        result = get_adapters_addresses(AF_INET, flags, nullptr,
                                        reinterpret_cast<IP_ADAPTER_ADDRESSES*>(buffer.get()), &size);
    }
    if (result != NO_ERROR) return 0;
    int count = 0;
    for (auto* adapter = reinterpret_cast<IP_ADAPTER_ADDRESSES*>(buffer.get()); adapter;
         adapter = adapter->Next) {
        if (adapter->OperStatus != IfOperStatusUp || adapter->IfType == IF_TYPE_SOFTWARE_LOOPBACK) continue;
        for (auto* unicast = adapter->FirstUnicastAddress; unicast && count < own_subnets_max;
             unicast = unicast->Next) {
            const sockaddr* address = unicast->Address.lpSockaddr;
            if (!address || address->sa_family != AF_INET) continue;
            const auto* v4 = reinterpret_cast<const sockaddr_in*>(address);
            subnets[count++] = Ipv4Subnet{ntohl(v4->sin_addr.s_addr), unicast->OnLinkPrefixLength};
        }
    }
    return count;
}

void send_search(SOCKET socket, const Ipv4Subnet* own, int own_count) {
    char request[256];
    const std::size_t length = format_ssdp_search(request, sizeof request);
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_addr.s_addr = htonl(ssdp_destination.address);
    to.sin_port = htons(ssdp_destination.port);
    for (int i = 0; i < own_count; ++i) {
        in_addr from{};
        from.s_addr = htonl(own[i].address);
        setsockopt(socket, IPPROTO_IP, IP_MULTICAST_IF, reinterpret_cast<const char*>(&from), sizeof from);
        sendto(socket, request, static_cast<int>(length), 0, reinterpret_cast<const sockaddr*>(&to),
               sizeof to);
    }
}

// A LOCATION taken once, however many times it is answered.
void take_location(const char* datagram, int size, const sockaddr_in& source, const Ipv4Subnet* own,
                   int own_count, RouterUrl* locations, int capacity, int* count) {
    SsdpAnswer answer;
    RouterUrl url;
    if (*count == capacity || !parse_ssdp_answer(datagram, static_cast<std::size_t>(size), &answer) ||
        std::strcmp(answer.search_target, igd_device_type) != 0 ||
        !may_follow_location(answer.location, ntohl(source.sin_addr.s_addr), own, own_count, &url))
        return;
    for (int i = 0; i < *count; ++i) {
        if (locations[i].port == url.port && locations[i].address == url.address &&
            std::strcmp(locations[i].path, url.path) == 0)
            return;
    }
    locations[(*count)++] = url;
}

void list_routers_at(const RouterUrl& location, RouterSearch* search, HANDLE stop) {
    auto routers = std::make_unique<UpnpRouter[]>(upnp_services_max);
    int count = 0;
    const RouterProblem problem = read_upnp_routers(location, routers.get(), &count, stop);
    if (count == 0 && search->count == 0) search->problem = problem;
    for (int i = 0; i < count && search->count < found_routers_max; ++i) {
        const UpnpRouter& router = routers[i];
        FoundRouter& found = search->routers[search->count++];
        found = FoundRouter{};
        format_router_url(location, found.location);
        std::memcpy(found.identity, router.identity, sizeof found.identity);
        const char* service_id = std::strchr(router.identity, ' ');
        std::snprintf(found.service_id, sizeof found.service_id, "%s", service_id ? service_id + 1 : "");
        std::memcpy(found.friendly_name, router.friendly_name, sizeof found.friendly_name);
        std::snprintf(found.address, sizeof found.address, "%s", location.host);
        RouterReading reading{};
        found.problem = read_upnp_counters(router, &reading, found.detail, stop);
        found.received = reading.received;
        found.sent = reading.sent;
        search->problem = RouterProblem::none;
    }
}

}  // namespace

OwnSubnetsReader read_own_subnets = platform_own_subnets;
SsdpDestination ssdp_destination = {0xEFFFFFFA, ssdp_port};  // 239.255.255.250

int find_router_locations(RouterUrl* locations, int size, HANDLE stop) {
    Ipv4Subnet own[own_subnets_max];
    const int own_count = read_own_subnets(own);
    if (own_count == 0) return 0;
    SocketGuard socket(SocketTraits::Value{::socket(AF_INET, SOCK_DGRAM, IPPROTO_UDP)});
    KernelHandleGuard readable(WSACreateEvent());
    const SOCKET s = socket.get().socket;
    sockaddr_in any{};
    any.sin_family = AF_INET;
    if (s == INVALID_SOCKET || !readable.get() ||
        bind(s, reinterpret_cast<const sockaddr*>(&any), sizeof any) != 0 ||
        setsockopt(s, IPPROTO_IP, IP_MULTICAST_TTL, reinterpret_cast<const char*>(&multicast_ttl),
                   sizeof multicast_ttl) != 0 ||
        WSAEventSelect(s, readable.get(), FD_READ) != 0)
        return 0;

    const std::int64_t start_ns = monotonic_ns();
    send_search(s, own, own_count);
    bool sent_again = false;
    int count = 0;
    const HANDLE events[2] = {readable.get(), stop};
    for (;;) {
        const std::int64_t now_ns = monotonic_ns();
        if (!sent_again && now_ns - start_ns >= second_send_ns) {
            send_search(s, own, own_count);
            sent_again = true;
        }
        const std::int64_t until_ns = sent_again ? start_ns + ssdp_listen_ns : start_ns + second_send_ns;
        if (now_ns >= until_ns && sent_again) break;
        const DWORD waited = WaitForMultipleObjects(
            stop ? 2 : 1, events, FALSE, static_cast<DWORD>((until_ns - now_ns + 999'999) / 1'000'000));
        if (waited == WAIT_OBJECT_0 + 1) return 0;
        if (waited != WAIT_OBJECT_0) continue;
        WSAResetEvent(readable.get());
        for (;;) {
            char datagram[ssdp_answer_size_max + 1];
            sockaddr_in source{};
            int source_size = sizeof source;
            const int got =
                recvfrom(s, datagram, sizeof datagram, 0, reinterpret_cast<sockaddr*>(&source), &source_size);
            if (got == SOCKET_ERROR) {
                const int error = WSAGetLastError();
                if (error == WSAECONNRESET || error == WSAEMSGSIZE) continue;
                break;
            }
            take_location(datagram, got, source, own, own_count, locations, size, &count);
        }
    }
    return count;
}

void search_routers(RouterSearch* search, HANDLE stop) {
    *search = RouterSearch{};
    RouterUrl locations[found_routers_max];
    const int count = find_router_locations(locations, found_routers_max, stop);
    search->problem = RouterProblem::nothing_answered;
    for (int i = 0; i < count; ++i) list_routers_at(locations[i], search, stop);
}

void read_router_at(const char* url, RouterSearch* search, HANDLE stop) {
    *search = RouterSearch{};
    RouterUrl location;
    if (!parse_router_url(url, &location)) {
        search->problem = RouterProblem::refused;
        return;
    }
    list_routers_at(location, search, stop);
}
