// What the notification area shows, put together: the live picture or the
// program's icon, and the tooltip's rates and counts, brought up to date at
// most 4 times a second.
#include "app/notification_area.h"

#include <cstdio>
#include <cstring>

#include "app/data_plan_watch.h"
#include "app/live_icon.h"
#include "app/notification_icon.h"
#include "app/program_icon.h"
#include "graph/tray_samples.h"
#include "monitor/traffic_graph.h"
#include "monitor/usage_count.h"

namespace {

// When a tick last looked at what the notification area shows.
std::int64_t tray_checked_ns = tray_never;

using Tip = char[sizeof notify_icon_data.szTip];

// A line that does not fit whole is left out rather than cut. With rates and
// counts of 0 or more every line fits: the name and rate labels take at most
// 6 + 1 + 21 + 1 + 19 = 48 characters, each usage line 1 + 38, 126 in all;
// with a plan, today's line 1 + 34 and the plan's 1 + 40, 124 in all.
void append_tip_line(Tip& tip, const char* line) {
    const std::size_t used = std::strlen(tip);
    const std::size_t length = std::strlen(line);
    if (used + 1 + length >= sizeof tip) return;
    tip[used] = '\n';
    std::memcpy(tip + used + 1, line, length + 1);
}

// At ticks below 250 ms the rates of the last 250 ms, else the labels' (the newest sample's).
void format_tip(Tip& tip) {
    char download[sizeof traffic_graph.download_label], upload[sizeof traffic_graph.upload_label];
    if (traffic_graph.delay < tray_span_ms && tray_rates_known()) {
        const TrayRates rates = shown_tray_rates();
        char rate[16];
        format_rate_in(rate, rates.download, traffic_graph.rate_units);
        std::snprintf(download, sizeof download, download_label_format, rate);
        format_rate_in(rate, rates.upload, traffic_graph.rate_units);
        std::snprintf(upload, sizeof upload, upload_label_format, rate);
    } else {
        std::memcpy(download, traffic_graph.download_label, sizeof download);
        std::memcpy(upload, traffic_graph.upload_label, sizeof upload);
    }
    std::snprintf(tip, sizeof tip, "mivrel\n%s\n%s", download, upload);
    char line[48];
    // With a plan, every count is in its units, and the month gives way to its period.
    if (const PlanStatus* plan = current_plan()) {
        format_plan_usage_line(line, "Today", usage_count.day.in, usage_count.day.out);
        append_tip_line(tip, line);
        format_plan_tip_line(line, *plan);
        append_tip_line(tip, line);
    } else {
        format_usage_line(line, "Today", usage_count.day);
        append_tip_line(tip, line);
        format_usage_line(line, "Month", usage_count.month);
        append_tip_line(tip, line);
    }
}

}  // namespace

void refresh_notification_tip() {
    Tip tip;
    format_tip(tip);
    set_notification_tip(tip);
}

// Every tick keeps its sample; what the notification area shows is brought up
// to date at most 4 times a second: a 16-pixel picture cannot show more, and
// each change costs the shell a redraw.
void refresh_notification_area() {
    const std::int64_t now = icon_clock();
    note_tray_sample(now);
    if (!tray_send_due(now, tray_checked_ns, traffic_graph.delay)) return;
    tray_checked_ns = now;
    // A new icon takes the new tooltip along; the refresh sends what is left.
    Tip tip;
    format_tip(tip);
    keep_notification_tip(tip);
    refresh_live_icon();
    set_notification_tip(tip);
}

void notification_icon_metrics_changed() {
    HICON replaced = reload_program_icon();
    // The shell draws the record's icon: it takes the new one before the old one goes.
    if (replaced && notify_icon_data.hIcon == replaced) show_notification_image(live_icon());
    destroy_loaded_icon(replaced);
    live_icon_metrics_changed();
}

void remove_notification_area() {
    remove_notification_icon();
    free_live_icon();
    free_program_icon();
    tray_checked_ns = tray_never;
}
