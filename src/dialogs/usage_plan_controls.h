// The data plan's controls in the Usage window: filled from the plan kept,
// read back as the user types, and the plan's state shown beside them.
#pragma once

#include <windows.h>

#include "monitor/data_plan.h"

void fill_plan_controls(HWND dialog);

// The plan as the controls have it; the id of the first control that holds no
// valid value, 0 when all do.
int read_plan_controls(HWND dialog, DataPlan* plan);

// The controls on or off with the plan, and the use and pace of the plan the
// controls hold (or what to type where they hold none).
void show_plan(HWND dialog);

// What to type into the control `problem` names.
void plan_problem_text(int problem, wchar_t (&text)[192]);
