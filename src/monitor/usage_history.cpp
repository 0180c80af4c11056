// The questions asked of the counts.
#include "monitor/usage_history.h"

#include <cstring>

#include "monitor/router_count.h"

namespace {

// The adapters listed: those with kept days or present now. "*" is what an
// earlier version counted for all hardware adapters: it belongs to that
// total and is no adapter to choose.
bool listed(const UsageAdapter& adapter) {
    return (adapter.has_days || adapter.present) && std::strcmp(adapter.name, all_hardware_adapters) != 0;
}

const UsageAdapter* listed_adapter(std::int32_t index) {
    if (index < 0) return nullptr;
    for (const UsageAdapter& adapter : usage_count.adapters) {
        if (listed(adapter) && index-- == 0) return &adapter;
    }
    return nullptr;
}

std::int32_t listed_count() {
    std::int32_t count = 0;
    for (const UsageAdapter& adapter : usage_count.adapters) count += listed(adapter) ? 1 : 0;
    return count;
}

// The chosen router, while no day holds it yet: listed last, so that it can
// be chosen for the plan before it has counted anything.
const char* router_yet_unlisted() {
    if (router_choice.source == RouterSource::off || !router_choice.name[0]) return nullptr;
    for (const UsageAdapter& adapter : usage_count.adapters) {
        if (listed(adapter) && same_text(adapter.name, router_choice.name)) return nullptr;
    }
    return router_choice.name;
}

}  // namespace

std::int32_t usage_adapter_count() {
    return listed_count() + (router_yet_unlisted() ? 1 : 0);
}

const char* usage_adapter_name(std::int32_t index) {
    if (const UsageAdapter* adapter = listed_adapter(index)) return adapter->name;
    const char* router = index == listed_count() ? router_yet_unlisted() : nullptr;
    return router ? router : "";
}

bool usage_adapter_is_hardware(std::int32_t index) {
    const UsageAdapter* adapter = listed_adapter(index);
    return adapter && adapter->hardware;
}

ByteCounts usage_between(const char* adapter, DayNumber first, DayNumber last) {
    return usage_sum(usage_count, adapter, first, last);
}

bool usage_first_date(DayNumber* day) {
    for (const UsageDay& row : usage_count.days) {
        if (row.received == 0 && row.sent == 0) continue;
        *day = row.day;
        return true;
    }
    return false;
}
