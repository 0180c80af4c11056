// The router's readings on the window's thread: each poll's reading counted,
// and what it teaches kept.
#pragma once

#include <windows.h>

// router_reading_message: takes the reading the poll thread made and deletes
// it. A router chosen by its address alone has its identity and name kept in
// the settings at once.
LRESULT on_router_reading(LPARAM reading);

// True once after a reading grew by more than the router's link could carry:
// its identity is to be checked before the next reading counts that growth.
bool take_router_identity_check();
