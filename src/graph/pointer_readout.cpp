#include "graph/pointer_readout.h"

#include <algorithm>
#include <cstdio>

#include "graph/paint_graph.h"
#include "monitor/format_rate.h"

namespace {

// Halves up: a sample 2.5 s old reads "3 s ago".
std::int64_t rounded_quotient(std::int64_t value, std::int64_t divisor) {
    return (value + divisor / 2) / divisor;
}

}  // namespace

int sample_at_column(const TrafficGraph& graph, int x) {
    // Exactly the columns the painter gives a bar, so the readout never names
    // a sample that is not on the screen.
    const GraphGeometry geometry = graph_geometry(graph);
    if (!geometry.drawn || x < 0 || x >= geometry.width) return -1;
    const int age = geometry.width - 1 - x;
    return age < geometry.bar_count ? age : -1;
}

void sample_age_text(char (&text)[age_text_size], std::int64_t ticks, std::int64_t period_ms) {
    const std::int64_t age_ms = std::max<std::int64_t>(ticks, 0) * std::max<std::int64_t>(period_ms, 0);
    const std::int64_t seconds = rounded_quotient(age_ms, 1000);
    if (ticks <= 0 || seconds == 0) {
        std::snprintf(text, sizeof text, "now");
    } else if (seconds < 60) {
        std::snprintf(text, sizeof text, "%lld s ago", static_cast<long long>(seconds));
    } else if (seconds < 3600) {
        const long long minutes = seconds / 60, rest = seconds % 60;
        if (rest == 0)
            std::snprintf(text, sizeof text, "%lld min ago", minutes);
        else
            std::snprintf(text, sizeof text, "%lld min %lld s ago", minutes, rest);
    } else {
        const std::int64_t minutes = rounded_quotient(seconds, 60);
        const long long hours = minutes / 60, rest = minutes % 60;
        if (rest == 0)
            std::snprintf(text, sizeof text, "%lld h ago", hours);
        else
            std::snprintf(text, sizeof text, "%lld h %lld min ago", hours, rest);
    }
}

bool readout_text(const TrafficGraph& graph, int x, std::int64_t period_ms, char (&text)[readout_text_size]) {
    text[0] = 0;
    const int age = sample_at_column(graph, x);
    if (age < 0) return false;
    const std::int64_t at =
        (graph.head - 1 - age + static_cast<std::int64_t>(graph.capacity)) % graph.capacity;
    char when[age_text_size], download[16], upload[16], download_label[32], upload_label[32];
    sample_age_text(when, age, period_ms);
    format_rate_in(download, graph.download_history[at], graph.rate_units);
    format_rate_in(upload, graph.upload_history[at], graph.rate_units);
    std::snprintf(download_label, sizeof download_label, download_label_format, download);
    std::snprintf(upload_label, sizeof upload_label, upload_label_format, upload);
    std::snprintf(text, sizeof text, "%s\r\n%s\r\n%s", when, download_label, upload_label);
    return true;
}

ScreenPoint readout_origin(ScreenPoint pointer, int width, int height, int offset_x, int offset_y,
                           ScreenArea area) {
    ScreenPoint origin{pointer.x + offset_x, pointer.y + offset_y};
    if (origin.x + width > area.right) origin.x = pointer.x - offset_x - width;
    if (origin.y + height > area.bottom) origin.y = pointer.y - offset_y - height;
    // A readout larger than the area shows its top-left part.
    origin.x = std::max(area.left, std::min(origin.x, area.right - width));
    origin.y = std::max(area.top, std::min(origin.y, area.bottom - height));
    return origin;
}
