#include "app/run_end.h"

#include "app/app.h"
#include "app/apply_settings.h"
#include "app/notification_area.h"
#include "app/notification_icon.h"
#include "monitor/clock.h"
#include "monitor/router_poll.h"
#include "settings/save_worker.h"
#include "settings/settings.h"
#include "settings/settings_file.h"
#include "settings/usage_keeping.h"

void end_run(HWND window) {
    KillTimer(window, sample_timer_id);
    // The router's threads wait on the network: what they wait on is closed,
    // and what they post is no longer read.
    stop_router_poll(monotonic_ns() + router_stop_budget_ns);
    stop_save_worker();
    if (save_on_exit) {
        SaveDeadlineScope one_wait_for_all(save_deadline(monotonic_ns()));
        store_settings();
        // The counts first: the settings can wait for another start, the counts not.
        finish_usage();
        queue_settings_save();
    }
    remove_notification_area();
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
