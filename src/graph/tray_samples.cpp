#include "graph/tray_samples.h"

#include <algorithm>

namespace {

bool short_ticks(std::int32_t delay_ms) {
    return delay_ms < tray_span_ms;
}

// The period the timer really ticks at: the platform gives none below 10 ms.
std::int64_t tick_ns(std::int32_t delay_ms) {
    return std::int64_t{std::max(delay_ms, 10)} * 1'000'000;
}

void start_column(TraySamples& samples, TrayRates rates) {
    samples.columns[samples.column_head] = rates;
    samples.column_head = (samples.column_head + 1) % tray_columns_max;
    if (samples.column_count < tray_columns_max) ++samples.column_count;
}

TrayRates& newest_column(TraySamples& samples) {
    return samples.columns[(samples.column_head + tray_columns_max - 1) % tray_columns_max];
}

const TimedSample& recent_sample(const TraySamples& samples, int age) {
    return samples.recent[(samples.recent_head + tray_recent_max - 1 - age) % tray_recent_max];
}

}  // namespace

void clear_tray_samples(TraySamples& samples) {
    samples = TraySamples{};
}

void add_tray_sample(TraySamples& samples, std::int64_t now_ns, std::int32_t delay_ms, TrayRates rates) {
    const std::int64_t previous_ns = samples.recent_count ? recent_sample(samples, 0).at_ns : now_ns;
    const std::int64_t interval =
        samples.recent_count ? std::max<std::int64_t>(now_ns - previous_ns, 0) : tick_ns(delay_ms);
    samples.recent[samples.recent_head] = {now_ns, interval, rates};
    samples.recent_head = (samples.recent_head + 1) % tray_recent_max;
    if (samples.recent_count < tray_recent_max) ++samples.recent_count;

    if (!short_ticks(delay_ms) || samples.column_count == 0) {
        start_column(samples, rates);
        samples.column_start_ns = now_ns;
        return;
    }
    if (now_ns - samples.column_start_ns < tray_span_ns) {
        TrayRates& column = newest_column(samples);
        column.download = std::max(column.download, rates.download);
        column.upload = std::max(column.upload, rates.upload);
        return;
    }
    // The columns keep their step; after a pause (a stalled timer, a
    // suspend) the next one starts now rather than after empty ones.
    start_column(samples, rates);
    samples.column_start_ns += tray_span_ns;
    if (now_ns - samples.column_start_ns >= tray_span_ns) samples.column_start_ns = now_ns;
}

TrayRates tray_column(const TraySamples& samples, int age) {
    return samples.columns[(samples.column_head + tray_columns_max - 1 - age) % tray_columns_max];
}

TrayRates tray_rates(const TraySamples& samples, std::int32_t delay_ms) {
    if (samples.recent_count == 0) return {0, 0};
    const TimedSample& newest = recent_sample(samples, 0);
    if (!short_ticks(delay_ms)) return newest.rates;
    const std::int64_t span_start = newest.at_ns - tray_span_ns;
    // Exact sums: a rate of up to 2^63 times a weight below 2^28, 64 of them.
    __int128 download = 0, upload = 0, weight = 0;
    for (int age = 0; age < samples.recent_count; ++age) {
        const TimedSample& sample = recent_sample(samples, age);
        const std::int64_t start = std::max(sample.at_ns - sample.interval_ns, span_start);
        const std::int64_t end = std::min(sample.at_ns, newest.at_ns);
        if (end <= start) {
            if (sample.at_ns <= span_start) break;
            continue;
        }
        download += static_cast<__int128>(sample.rates.download) * (end - start);
        upload += static_cast<__int128>(sample.rates.upload) * (end - start);
        weight += end - start;
    }
    if (weight == 0) return newest.rates;
    return {static_cast<std::int64_t>((download + weight / 2) / weight),
            static_cast<std::int64_t>((upload + weight / 2) / weight)};
}

bool tray_send_due(std::int64_t now_ns, std::int64_t last_ns, std::int32_t delay_ms) {
    if (!short_ticks(delay_ms) || last_ns == tray_never) return true;
    return now_ns - last_ns >= tray_span_ns;
}
