// What the notification area shows, kept apart from the graph's history: a
// short ring of the live icon's columns and the samples of the last quarter
// second. At ticks below 250 ms an icon column covers 250 ms and shows the
// highest rates among its samples, and the rates shown are the mean of the
// last 250 ms; at 250 ms and more a column is a sample, the rates its own.
// Plain data and pure functions: the clock is the caller's.
#pragma once

#include <cstdint>

constexpr std::int32_t tray_span_ms = 250;
constexpr std::int64_t tray_span_ns = std::int64_t{tray_span_ms} * 1'000'000;

// More columns than the largest icon shows (64 pixels: 62 inside the frame).
constexpr int tray_columns_max = 64;
// More samples than 250 ms hold at the shortest tick the platform gives (10 ms).
constexpr int tray_recent_max = 64;

// "Never": no send so far.
constexpr std::int64_t tray_never = INT64_MIN;

struct TrayRates {
    std::int64_t download;
    std::int64_t upload;
};

struct TimedSample {
    std::int64_t at_ns;        // when it was taken (monotonic)
    std::int64_t interval_ns;  // the span its rates are the mean of, up to at_ns
    TrayRates rates;
};

struct TraySamples {
    TrayRates columns[tray_columns_max];  // a ring, the highest rates of each column
    int column_head;                      // where the next column goes
    int column_count;
    std::int64_t column_start_ns;         // when the newest column's span began
    TimedSample recent[tray_recent_max];  // a ring of the newest samples
    int recent_head;
    int recent_count;
};

void clear_tray_samples(TraySamples& samples);

// One tick's sample, taken at `now_ns` with the graph's tick delay.
void add_tray_sample(TraySamples& samples, std::int64_t now_ns, std::int32_t delay_ms, TrayRates rates);

// The icon column `age` columns old (0 = the newest), 0 <= age < column_count.
TrayRates tray_column(const TraySamples& samples, int age);

// The rates the icon and the tooltip show: below 250 ms a tick, the mean of
// the newest samples' rates over the 250 ms up to the newest sample, each
// weighted by the part of its interval inside that span; else the newest
// sample's. Zero before the first sample.
TrayRates tray_rates(const TraySamples& samples, std::int32_t delay_ms);

// Whether something may be sent to the notification area at `now_ns`, the
// last send (or check) having been at `last_ns`: at every tick of 250 ms and
// more, else once 250 ms have passed, so never more than 4 times a second.
bool tray_send_due(std::int64_t now_ns, std::int64_t last_ns, std::int32_t delay_ms);
