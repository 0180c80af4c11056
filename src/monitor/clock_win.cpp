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

void platform_local_time(char (&stamp)[18]) {
    SYSTEMTIME local;
    GetLocalTime(&local);
    std::snprintf(stamp, sizeof stamp, "%04u-%02u-%02u-%02u%02u%02u", local.wYear % 10000u,
                  local.wMonth % 100u, local.wDay % 100u, local.wHour % 100u, local.wMinute % 100u,
                  local.wSecond % 100u);
}

// GetTickCount64 goes on while the system sleeps.
std::int64_t platform_uptime_ms() {
    return static_cast<std::int64_t>(GetTickCount64());
}

// FILETIME counts 100 ns from 1601.
std::int64_t platform_system_start() {
    FILETIME now;
    GetSystemTimeAsFileTime(&now);
    const std::int64_t since_1601 =
        static_cast<std::int64_t>((static_cast<std::uint64_t>(now.dwHighDateTime) << 32) | now.dwLowDateTime);
    constexpr std::int64_t from_1601_to_1970_s = 11644473600;
    const std::int64_t now_ms = since_1601 / 10000 - from_1601_to_1970_s * 1000;
    return (now_ms - platform_uptime_ms()) / 1000;
}

}  // namespace

SystemStartReader read_system_start = platform_system_start;
UptimeReader read_uptime_ms = platform_uptime_ms;
LocalDateReader read_local_date = platform_local_date;
LocalTimeReader read_local_time = platform_local_time;
