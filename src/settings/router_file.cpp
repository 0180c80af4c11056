#include "settings/router_file.h"

#include <cstdint>
#include <cstdio>
#include <cstring>

#include "settings/setting_keys.h"
#include "settings/usage_values.h"

namespace {

bool read_flag(const char* text, bool* flag) {
    if (std::strcmp(text, "0") != 0 && std::strcmp(text, "1") != 0) return false;
    *flag = *text == '1';
    return true;
}

}  // namespace

void take_router_line(RouterLines& lines, const char* key, const char* value) {
    RouterCounter& counter = lines.counter;
    RouterBase& base = counter.base;
    bool whole = true;
    if (std::strcmp(key, keys::router_identity) == 0) {
        whole = lines.has_identity = std::strlen(value) < sizeof counter.identity;
        if (whole) std::snprintf(counter.identity, sizeof counter.identity, "%s", value);
    } else if (std::strcmp(key, keys::router_last) == 0) {
        whole = lines.has_last = read_count_pair(value, &base.received, &base.sent);
    } else if (std::strcmp(key, keys::router_last_uptime) == 0) {
        std::uint64_t ms = 0;
        whole = lines.has_time = read_count(value, &ms) && ms <= INT64_MAX;
        base.counted_uptime_ms = static_cast<std::int64_t>(ms);
    } else if (std::strcmp(key, keys::router_wide_counters) == 0) {
        whole = read_flag(value, &base.wide_counters);
    } else if (std::strcmp(key, keys::router_last_router_uptime) == 0) {
        whole = base.uptime_known = read_count(value, &base.uptime_cs);
    } else if (std::strcmp(key, keys::router_last_discontinuity) == 0) {
        whole = base.discontinuity_known = read_count(value, &base.discontinuity_cs);
    }
    lines.damaged = lines.damaged || !whole;
}

RouterCounter router_of_lines(const RouterLines& lines) {
    if (lines.damaged || !lines.has_identity || !lines.has_last) return {};
    RouterCounter counter = lines.counter;
    counter.known = true;
    // No clock of this run read it.
    counter.base.taken_ns = router_time_unknown;
    if (!lines.has_time) counter.base.counted_uptime_ms = router_time_unknown;
    return counter;
}

std::string router_file_text(const RouterCounter& router) {
    std::string text;
    if (!router.known) return text;
    const RouterBase& base = router.base;
    add_line(text, keys::router_identity, router.identity);
    add_line(text, keys::router_last, count_pair_text(base.received, base.sent));
    if (base.counted_uptime_ms >= 0)
        add_line(text, keys::router_last_uptime,
                 count_text(static_cast<std::uint64_t>(base.counted_uptime_ms)));
    add_line(text, keys::router_wide_counters, base.wide_counters ? "1" : "0");
    if (base.uptime_known) add_line(text, keys::router_last_router_uptime, count_text(base.uptime_cs));
    if (base.discontinuity_known)
        add_line(text, keys::router_last_discontinuity, count_text(base.discontinuity_cs));
    return text;
}
