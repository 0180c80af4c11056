// The router's readings kept with the counts, on the window's thread.
#pragma once

#include "monitor/router_count.h"

// Counts a reading of the chosen router; a new base is handed to the save
// worker at once, as an adapter's is. While usage.cfg is there but unread,
// readings count nothing and take no base: the file's base counts their
// traffic once it is read.
RouterCounted keep_router_reading(const RouterReading& reading);
