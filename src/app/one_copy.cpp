#include "app/one_copy.h"

#include "app/app.h"
#include "app/modal.h"
#include "app/notification_icon.h"
#include "monitor/clock.h"
#include "resources/resource.h"

namespace {

// "Local\" is one namespace per terminal-services session, so every user who
// is logged on (fast user switching, a terminal server) has a copy of their own.
constexpr char mutex_name[] = "Local\\mivrel.one_copy.7c3e51a2-94d0-4b8f-a6e1-2d5f08b93c47";
constexpr char show_request_name[] = "mivrel.show_request.7c3e51a2-94d0-4b8f-a6e1-2d5f08b93c47";

// The running copy may be between its start and its window. After this long a
// second start gives up and ends; the first, slow to start, shows itself as
// its own start asks.
constexpr std::int64_t window_wait_ns = 5000000000;
constexpr DWORD poll_ms = 50;

// Owned by the running copy until the process ends, when the system lets go of it.
HANDLE one_copy_mutex = nullptr;

UINT show_request_message() {
    static const UINT message = RegisterWindowMessageA(show_request_name);
    return message;
}

// An abandoned mutex is one whose copy ended without letting go: ours now.
bool acquired(DWORD wait_result) {
    return wait_result == WAIT_OBJECT_0 || wait_result == WAIT_ABANDONED;
}

// Posts the request to the running copy's window as soon as it exists. True
// when this start should run after all: the other copy ended meanwhile.
bool ask_running_copy(const char* class_name) {
    const std::int64_t start = monotonic_ns();
    for (;;) {
        if (HWND window = FindWindowA(class_name, nullptr)) {
            DWORD process = 0;
            GetWindowThreadProcessId(window, &process);
            // The user started this process, which may therefore take the
            // foreground; the running copy, in the background, may not by itself.
            AllowSetForegroundWindow(process);
            PostMessageA(window, show_request_message(), 0, 0);
            return false;
        }
        if (acquired(WaitForSingleObject(one_copy_mutex, poll_ms))) return true;
        if (monotonic_ns() - start >= window_wait_ns) return false;
    }
}

}  // namespace

bool claim_one_copy(HINSTANCE module) {
    // No mutex to be had: most likely another user's copy in this session
    // (started with other credentials) made it and we may not open it. That
    // copy is not ours to show, and it keeps its own settings: this one runs.
    one_copy_mutex = CreateMutexA(nullptr, FALSE, mutex_name);
    if (!one_copy_mutex) return true;
    if (acquired(WaitForSingleObject(one_copy_mutex, 0))) return true;

    char class_name[sizeof window_class_name] = {};
    LoadStringA(module, IDS_WINDOW_CLASS, class_name, sizeof class_name);
    const bool run = ask_running_copy(class_name);
    if (!run) {
        CloseHandle(one_copy_mutex);
        one_copy_mutex = nullptr;
    }
    return run;
}

bool is_show_request(UINT message) {
    const UINT request = show_request_message();
    return request != 0 && message == request;
}

void bring_into_view() {
    if (open_modal_windows > 0) {
        bring_modal_window_to_front();
        return;
    }
    if (!IsWindowVisible(main_window)) {
        show_main_window();
        return;
    }
    SetForegroundWindow(main_window);
}
