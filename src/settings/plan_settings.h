// The data plan's settings: read into `data_plan` with the rest at load, and
// written back with every save.
#pragma once

// A value out of its range reads as the default, as a missing one does.
// Without a plan ever set, the file gets no plan keys.
void load_plan_settings();
void store_plan_settings();
