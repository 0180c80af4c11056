#include "settings/router_keeping.h"

#include "monitor/calendar.h"
#include "monitor/clock.h"
#include "settings/usage_keeping.h"

RouterCounted keep_router_reading(const RouterReading& reading) {
    if (usage_unread()) return {};
    const RouterCounted counted =
        count_router_reading(usage_count, router_choice, reading, local_today(), read_uptime_ms());
    if (usage_count.new_base) save_usage();
    return counted;
}
