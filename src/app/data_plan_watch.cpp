#include "app/data_plan_watch.h"

#include "app/notification_icon.h"
#include "monitor/usage_history.h"
#include "settings/usage_keeping.h"

namespace {

PlanStatus plan_now;
bool plan_now_set = false;
PlanWarningState warnings_given = {};

}  // namespace

void start_data_plan_watch() {
    warnings_given = stored_plan_warnings();
}

const PlanStatus* current_plan() {
    return plan_now_set ? &plan_now : nullptr;
}

PlanStatus data_plan_status(const DataPlan& plan, DayNumber today) {
    const PlanPeriod period = plan_period(plan.start_day, today);
    const std::uint64_t used = plan_bytes(plan, usage_between(plan.adapter, period.first, today));
    const std::uint64_t before =
        today > period.first ? plan_bytes(plan, usage_between(plan.adapter, period.first, today - 1)) : 0;
    return plan_status(plan, today, used, before);
}

void watch_data_plan() {
    plan_now_set = plan_is_set(data_plan);
    if (!plan_now_set) return;
    plan_now = data_plan_status(data_plan, local_today());
    const PlanWarningStep step = step_plan_warning(warnings_given, plan_now);
    if (step.balloon) {
        char text[128];
        format_plan_balloon(text, plan_now);
        if (!show_notification_balloon(text)) return;
    }
    // usage.cfg keeps them, so that a restart does not repeat a balloon.
    warnings_given = step.next;
    keep_plan_warnings(warnings_given);
}
