// Dispatches this thread's messages (timers, paints, posted commands) while a
// test waits; every wait has a time limit.
#pragma once

#include <windows.h>

// Until `done` holds or `limit_ms` has passed; gives `done()`. A quit message
// ends the wait and is left for the caller.
template <typename Condition>
bool pump_until(Condition done, DWORD limit_ms) {
    const DWORD start = GetTickCount();
    MSG message;
    while (!done()) {
        if (GetTickCount() - start > limit_ms) return false;
        while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
            if (message.message == WM_QUIT) {
                PostQuitMessage(static_cast<int>(message.wParam));
                return done();
            }
            TranslateMessage(&message);
            DispatchMessageA(&message);
        }
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 5, QS_ALLINPUT);
    }
    return true;
}

inline void pump_messages(DWORD milliseconds) {
    pump_until([] { return false; }, milliseconds);
}
