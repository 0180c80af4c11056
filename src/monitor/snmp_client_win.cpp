// Winsock 2 first: the headers after it bring the rest of Windows'.
#include <winsock2.h>

#include "monitor/snmp_client.h"

#include <ws2tcpip.h>

#include <atomic>

#include "monitor/clock.h"
#include "monitor/handle_guards.h"

namespace {

constexpr int tries = 3;

// Request ids differ from one exchange to the next, and from one run to the
// next, so that a late answer to an earlier request is never taken.
std::int32_t next_request_id() {
    static std::atomic<std::uint32_t> last{static_cast<std::uint32_t>(monotonic_ns() / 1000)};
    return static_cast<std::int32_t>(++last & 0x7FFFFFFF);
}

bool from_agent(const sockaddr_in& source, const SnmpAgent& agent) {
    return source.sin_family == AF_INET && ntohl(source.sin_addr.s_addr) == agent.address &&
           ntohs(source.sin_port) == agent.port;
}

// The answer to this very request: the same names, in the same order, for a
// GET (a GETNEXT's names are the ones after).
bool answers(const SnmpResponse& response, std::int32_t id, SnmpRequest kind, const SnmpOid* names,
             int count) {
    if (response.request_id != id) return false;
    if (response.error_status != 0) return true;
    if (response.count != count) return false;
    for (int i = 0; i < count && kind == SnmpRequest::get; ++i) {
        if (!same_oid(response.bindings[i].name, names[i])) return false;
    }
    return true;
}

}  // namespace

SnmpResult snmp_exchange(const SnmpAgent& agent, SnmpRequest kind, const SnmpOid* names, int count,
                         SnmpResponse* response, HANDLE stop) {
    const std::int64_t start_ns = monotonic_ns();
    const std::int32_t id = next_request_id();
    std::uint8_t request[1472];
    const std::size_t request_size =
        encode_snmp_request(kind, agent.community, id, names, count, request, sizeof request);
    if (request_size == 0) return SnmpResult::refused;

    SocketGuard socket(SocketTraits::Value{::socket(AF_INET, SOCK_DGRAM, IPPROTO_UDP)});
    KernelHandleGuard readable(WSACreateEvent());
    if (!SocketTraits::held(socket.get()) || !readable.get() ||
        WSAEventSelect(socket.get().socket, readable.get(), FD_READ) != 0)
        return SnmpResult::silent;
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_addr.s_addr = htonl(agent.address);
    to.sin_port = htons(agent.port);
    const HANDLE events[2] = {readable.get(), stop};
    for (int attempt = 0; attempt < tries; ++attempt) {
        sendto(socket.get().socket, reinterpret_cast<const char*>(request), static_cast<int>(request_size), 0,
               reinterpret_cast<const sockaddr*>(&to), sizeof to);
        const std::int64_t attempt_end_ns = start_ns + snmp_budget_ns * (attempt + 1) / tries;
        for (;;) {
            const std::int64_t left_ns = attempt_end_ns - monotonic_ns();
            if (left_ns <= 0) break;
            const DWORD waited = WaitForMultipleObjects(stop ? 2 : 1, events, FALSE,
                                                        static_cast<DWORD>((left_ns + 999'999) / 1'000'000));
            if (waited == WAIT_OBJECT_0 + 1) return SnmpResult::stopped;
            if (waited != WAIT_OBJECT_0) break;
            WSAResetEvent(readable.get());
            // Every datagram waiting is read: the event is set again only by a new one.
            for (;;) {
                std::uint8_t answer[snmp_message_size_max + 1];
                sockaddr_in source{};
                int source_size = sizeof source;
                const int got = recvfrom(socket.get().socket, reinterpret_cast<char*>(answer), sizeof answer,
                                         0, reinterpret_cast<sockaddr*>(&source), &source_size);
                if (got == SOCKET_ERROR) {
                    // An ICMP "port unreachable" or an over-long datagram is
                    // told once; anything else ends the reading.
                    const int error = WSAGetLastError();
                    if (error == WSAECONNRESET || error == WSAEMSGSIZE) continue;
                    break;
                }
                if (!from_agent(source, agent)) continue;
                if (!decode_snmp_response(answer, static_cast<std::size_t>(got), agent.community, response) ||
                    !answers(*response, id, kind, names, count))
                    continue;
                return response->error_status == 0 ? SnmpResult::answered : SnmpResult::refused;
            }
        }
    }
    return SnmpResult::silent;
}
