#include <cstdio>
#include <ctime>

#include "monitor/clock.h"

std::int64_t monotonic_ns() {
    timespec now;
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<std::int64_t>(now.tv_sec) * 1000000000 + now.tv_nsec;
}

namespace {

void platform_local_date(char (&date)[11]) {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    if (!localtime_r(&now, &local)) local = std::tm{};
    const unsigned year = static_cast<unsigned>(local.tm_year + 1900) % 10000u;
    const unsigned month = static_cast<unsigned>(local.tm_mon + 1) % 100u;
    const unsigned day = static_cast<unsigned>(local.tm_mday) % 100u;
    std::snprintf(date, sizeof date, "%04u-%02u-%02u", year, month, day);
}

void platform_local_time(char (&stamp)[18]) {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    if (!localtime_r(&now, &local)) local = std::tm{};
    std::snprintf(stamp, sizeof stamp, "%04u-%02u-%02u-%02u%02u%02u",
                  static_cast<unsigned>(local.tm_year + 1900) % 10000u,
                  static_cast<unsigned>(local.tm_mon + 1) % 100u, static_cast<unsigned>(local.tm_mday) % 100u,
                  static_cast<unsigned>(local.tm_hour) % 100u, static_cast<unsigned>(local.tm_min) % 100u,
                  static_cast<unsigned>(local.tm_sec) % 100u);
}

std::int64_t platform_system_start() {
    timespec now;
    timespec since_boot;
    clock_gettime(CLOCK_REALTIME, &now);
    clock_gettime(CLOCK_BOOTTIME, &since_boot);
    return static_cast<std::int64_t>(now.tv_sec) - static_cast<std::int64_t>(since_boot.tv_sec);
}

std::int64_t platform_uptime_ms() {
    timespec since_boot;
    clock_gettime(CLOCK_BOOTTIME, &since_boot);
    return static_cast<std::int64_t>(since_boot.tv_sec) * 1000 + since_boot.tv_nsec / 1000000;
}

}  // namespace

SystemStartReader read_system_start = platform_system_start;
UptimeReader read_uptime_ms = platform_uptime_ms;
LocalDateReader read_local_date = platform_local_date;
LocalTimeReader read_local_time = platform_local_time;
