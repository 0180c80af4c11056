#include "monitor/router_count.h"

#include <cstdio>
#include <cstring>

RouterChoice router_choice = {};

namespace {

// A text of the router's thread that ends within its array.
template <std::size_t size>
bool ended(const char (&text)[size]) {
    return std::memchr(text, '\0', size) != nullptr;
}

// No control characters: an identity is a line of the files.
bool plain(const char* text) {
    for (; *text; ++text) {
        if (static_cast<unsigned char>(*text) < 0x20 || *text == 0x7F) return false;
    }
    return true;
}

template <std::size_t size>
void copy_text(char (&to)[size], const char* from) {
    std::snprintf(to, size, "%s", from);
}

}  // namespace

void name_router(char (&name)[router_text_size], const RouterChoice& choice, const char* friendly_name,
                 UsageCount& usage) {
    // Room for a suffix behind it.
    char stem[router_text_size - 16];
    if (choice.source == RouterSource::snmp)
        std::snprintf(stem, sizeof stem, "Router: %.64s%s%.160s", choice.snmp_host, *friendly_name ? " " : "",
                      friendly_name);
    else
        std::snprintf(stem, sizeof stem, "Router%s%.200s", *friendly_name ? ": " : "", friendly_name);
    for (char* c = stem; *c; ++c) {
        if (static_cast<unsigned char>(*c) < 0x20 || *c == 0x7F) *c = ' ';
    }
    copy_text(name, stem);
    for (int n = 2; n < 100000 && usage_adapter_index(usage, name, false) >= 0; ++n)
        std::snprintf(name, sizeof name, "%.239s _%d", stem, n);
}

RouterCounted count_router_reading(UsageCount& usage, RouterChoice& choice, const RouterReading& reading,
                                   DayNumber today, std::int64_t uptime_ms) {
    RouterCounted result{};
    if (choice.source == RouterSource::off || reading.problem != RouterProblem::none ||
        !ended(reading.identity) || !ended(reading.friendly_name) || !reading.identity[0] ||
        !plain(reading.identity))
        return result;
    if (!choice.identity[0]) {
        copy_text(choice.identity, reading.identity);
        result.learnt = true;
    }
    // Another router at the chosen one's address: its counts go nowhere.
    if (std::strcmp(choice.identity, reading.identity) != 0) return result;
    if (!choice.name[0]) {
        name_router(choice.name, choice, reading.friendly_name, usage);
        result.learnt = true;
    }
    const std::int32_t adapter = usage_adapter_index(usage, choice.name, true);
    if (adapter < 0) return result;
    RouterCounter& counter = usage.router;
    if (!counter.known || std::strcmp(counter.identity, choice.identity) != 0) {
        counter.known = true;
        copy_text(counter.identity, choice.identity);
        counter.base = router_base_of(reading, uptime_ms);
        usage.new_base = usage.changed = true;
        return result;
    }
    const RouterStep step = step_router(counter.base, reading, uptime_ms);
    if (step.held) {
        result.check_identity = true;
        return result;
    }
    // Kept at once, as an adapter's: a base below the one the files hold
    // would be judged again, later, with less to tell by.
    if (step.next.received < counter.base.received || step.next.sent < counter.base.sent)
        usage.new_base = true;
    counter.base = step.next;
    usage.changed = true;
    if (step.received != 0 || step.sent != 0)
        add_usage(usage, adapter, today, false, step.received, step.sent);
    return result;
}
