#include "app/run_end.h"

#include <algorithm>
#include <cstdint>

#include "app/app.h"
#include "app/apply_settings.h"
#include "app/notification_area.h"
#include "app/notification_icon.h"
#include "monitor/clock.h"
#include "monitor/router_poll.h"
#include "settings/save_worker.h"
#include "settings/settings.h"
#include "settings/settings_file.h"
#include "settings/usage_export.h"
#include "settings/usage_keeping.h"

namespace {

// A logon's end keeps the window, which an installer's close or a WM_CLOSE
// may still destroy: the run ends once.
bool run_ended = false;

}  // namespace

void begin_run() {
    run_ended = false;
    start_save_worker();
}

void end_run(HWND window) {
    if (run_ended) return;
    run_ended = true;
    KillTimer(window, sample_timer_id);
    const std::int64_t now = monotonic_ns();
    const std::int64_t deadline = save_deadline(now);
    // The router's threads wait on the network: what they wait on is closed,
    // and what they post is no longer read. Their part of the budget is small.
    stop_router_poll(std::min(deadline, now + router_stop_budget_ns));
    SaveDeadlineScope one_wait_for_all(deadline);
    let_save_worker_go();
    if (save_on_exit) {
        store_settings();
        // The counts first: the settings can wait for another start, the counts not.
        finish_usage();
        queue_settings_save();
    }
    remove_notification_area();
    // The user's own files, after the program's, while the budget lasts;
    // usage.cfg names those left for the next start to tell.
    write_waiting_exports(deadline);
    end_save_worker(deadline);
    if (save_on_exit) renote_exports(deadline);
}

void delete_saved_state() {
    stop_save_worker();
    delete_settings();
    save_on_exit = 0;
}

void before_sleep() {
    suspend_usage(monotonic_ns() + suspend_patience_ns);
}

void after_sleep() {
    resume_usage(monotonic_ns());
}
