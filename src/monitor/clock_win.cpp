#include <windows.h>

#include <cstdio>

#include "monitor/clock.h"

std::int64_t monotonic_ns() {
    static const std::int64_t per_second = [] {
        LARGE_INTEGER frequency;
        QueryPerformanceFrequency(&frequency);
        return static_cast<std::int64_t>(frequency.QuadPart);
    }();
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    // Whole seconds and the rest apart, so that no product overflows.
    const std::int64_t ticks = now.QuadPart;
    return ticks / per_second * 1000000000 + ticks % per_second * 1000000000 / per_second;
}

namespace {

void platform_local_date(char (&date)[11]) {
    SYSTEMTIME local;
    GetLocalTime(&local);
    std::snprintf(date, sizeof date, "%04u-%02u-%02u", local.wYear % 10000u, local.wMonth % 100u,
                  local.wDay % 100u);
}

}  // namespace

LocalDateReader read_local_date = platform_local_date;
