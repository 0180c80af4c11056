#include "monitor/upnp_router.h"

#include <cstdio>
#include <cstring>
#include <memory>

#include "monitor/router_http.h"
#include "monitor/strict_number.h"

namespace {

constexpr char connection_uptime_action[] = "GetStatusInfo";

// What one SOAP action gave: its values, or why not.
struct ActionResult {
    RouterProblem problem;
    SoapAnswer answer;
};

ActionResult call_action(const RouterUrl& control, const char* service_type, const char* action,
                         const char* const* names, int count, HANDLE stop) {
    char body[768], soap_action[router_text_size];
    std::snprintf(body, sizeof body,
                  "<?xml version=\"1.0\"?>\r\n"
                  "<s:Envelope xmlns:s=\"http://schemas.xmlsoap.org/soap/envelope/\" "
                  "s:encodingStyle=\"http://schemas.xmlsoap.org/soap/encoding/\">"
                  "<s:Body><u:%s xmlns:u=\"%s\"></u:%s></s:Body></s:Envelope>\r\n",
                  action, service_type, action);
    std::snprintf(soap_action, sizeof soap_action, "%s#%s", service_type, action);
    auto answer = std::make_unique<char[]>(soap_answer_size_max);
    HttpExchange exchange{&control, soap_action, body, answer.get(), soap_answer_size_max, 0, 0};
    ActionResult result{};
    switch (http_exchange(&exchange, stop)) {
        case HttpResult::answered:
            break;
        case HttpResult::too_large:
            result.problem = RouterProblem::refused;
            return result;
        case HttpResult::silent:
        case HttpResult::stopped:
            result.problem = RouterProblem::address_silent;
            return result;
    }
    // A fault comes with status 500; its words say what failed.
    const bool read = read_soap_answer(answer.get(), exchange.answer_size, service_type, action, names, count,
                                       &result.answer);
    if (read && exchange.status == 200) return result;
    result.problem = result.answer.fault[0] || exchange.status != 200 ? RouterProblem::refused
                                                                      : RouterProblem::counter_missing;
    if (!result.answer.fault[0] && exchange.status != 200)
        std::snprintf(result.answer.fault, sizeof result.answer.fault, "HTTP status %d", exchange.status);
    return result;
}

// A value that a router sends as a ui4: Debian's miniupnpd puts 64-bit totals
// in them, which are taken as they come.
bool read_value(const char* text, std::uint64_t largest, std::uint64_t* value) {
    return parse_decimal(text, std::strlen(text), largest, value);
}

}  // namespace

RouterProblem read_upnp_routers(const RouterUrl& location, UpnpRouter* routers, int* count, HANDLE stop) {
    *count = 0;
    auto bytes = std::make_unique<char[]>(upnp_description_size_max);
    HttpExchange exchange{&location, nullptr, nullptr, bytes.get(), upnp_description_size_max, 0, 0};
    const HttpResult result = http_exchange(&exchange, stop);
    if (result == HttpResult::silent || result == HttpResult::stopped) return RouterProblem::address_silent;
    auto description = std::make_unique<UpnpDescription>();
    if (result != HttpResult::answered || exchange.status != 200 ||
        !read_upnp_description(bytes.get(), exchange.answer_size, description.get()))
        return RouterProblem::refused;
    for (int i = 0; i < description->count; ++i) {
        const UpnpWanService& service = description->services[i];
        UpnpRouter& router = routers[*count];
        router = UpnpRouter{};
        router.location = location;
        const int written =
            std::snprintf(router.identity, sizeof router.identity, "%s %s", service.udn, service.service_id);
        if (written < 0 || static_cast<std::size_t>(written) >= sizeof router.identity) continue;
        std::memcpy(router.friendly_name, service.friendly_name, sizeof router.friendly_name);
        if (!resolve_control_url(location, description->url_base, service.control_url, &router.control))
            continue;
        router.has_connection =
            service.connection_type[0] &&
            resolve_control_url(location, description->url_base, service.connection_control_url,
                                &router.connection_control);
        std::memcpy(router.connection_type, service.connection_type, sizeof router.connection_type);
        ++*count;
    }
    return *count ? RouterProblem::none : RouterProblem::no_counters;
}

RouterProblem read_upnp_counters(const UpnpRouter& router, RouterReading* reading, char (&fault)[128],
                                 HANDLE stop) {
    fault[0] = 0;
    static const char* const received_name[] = {"NewTotalBytesReceived"};
    static const char* const sent_name[] = {"NewTotalBytesSent"};
    static const char* const link_names[] = {"NewLayer1DownstreamMaxBitRate", "NewLayer1UpstreamMaxBitRate"};
    static const char* const uptime_name[] = {"NewUptime"};

    ActionResult received =
        call_action(router.control, wan_common_service_type, "GetTotalBytesReceived", received_name, 1, stop);
    if (received.problem == RouterProblem::none &&
        !read_value(received.answer.values[0], UINT64_MAX, &reading->received))
        received.problem = RouterProblem::counter_missing;
    ActionResult sent =
        received.problem != RouterProblem::none
            ? received
            : call_action(router.control, wan_common_service_type, "GetTotalBytesSent", sent_name, 1, stop);
    if (sent.problem == RouterProblem::none && !read_value(sent.answer.values[0], UINT64_MAX, &reading->sent))
        sent.problem = RouterProblem::counter_missing;
    if (sent.problem != RouterProblem::none) {
        std::memcpy(fault, sent.answer.fault, sizeof fault);
        return sent.problem;
    }
    reading->wide_counters = reading->received > 0xFFFFFFFFu || reading->sent > 0xFFFFFFFFu;

    // Not every router tells these; a reading counts without them.
    const ActionResult link =
        call_action(router.control, wan_common_service_type, "GetCommonLinkProperties", link_names, 2, stop);
    if (link.problem != RouterProblem::none ||
        !read_value(link.answer.values[0], 0xFFFFFFFFu, &reading->link_down_bps) ||
        !read_value(link.answer.values[1], 0xFFFFFFFFu, &reading->link_up_bps))
        reading->link_down_bps = reading->link_up_bps = 0;
    reading->uptime_known = false;
    if (router.has_connection) {
        const ActionResult uptime = call_action(router.connection_control, router.connection_type,
                                                connection_uptime_action, uptime_name, 1, stop);
        std::uint64_t seconds;
        if (uptime.problem == RouterProblem::none &&
            read_value(uptime.answer.values[0], 0xFFFFFFFFu, &seconds)) {
            reading->uptime_known = true;
            reading->uptime_cs = seconds * 100;
        }
    }
    return RouterProblem::none;
}
