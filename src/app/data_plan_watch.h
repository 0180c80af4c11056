// The data plan against the counts, once a tick: the tooltip's plan line
// reads it, and a balloon tells when the use reaches the warning percentage
// and the whole allowance.
#pragma once

#include "monitor/data_plan.h"

// At start, after the counts are loaded: the warnings already given.
void start_data_plan_watch();

// The plan's status at the last look, or null when no plan is set.
const PlanStatus* current_plan();

// Looks again (each tick, and when the plan changes) and shows a balloon that
// is due. A balloon the taskbar refuses is tried again at the next look.
void watch_data_plan();

// The status of `plan` today, from the counts of its adapter.
PlanStatus data_plan_status(const DataPlan& plan, DayNumber today);
