#include "app/one_copy.h"

#include <sddl.h>

#include <cstdio>

#include "app/app.h"
#include "app/modal.h"
#include "app/notification_icon.h"
#include "monitor/clock.h"
#include "resources/resource.h"
#include "scoped.h"

namespace {

// "Local\" is one namespace per terminal-services session; the user's SID
// after it gives each user in it (fast user switching, "Run as different
// user") a name of their own. Access denied on this name can then only be
// this user's copy run as administrator.
constexpr char mutex_prefix[] = "Local\\mivrel.one_copy.";
constexpr char show_request_name[] = "mivrel.show_request.7c3e51a2-94d0-4b8f-a6e1-2d5f08b93c47";
constexpr char elevated_copy_text[] =
    "mivrel is already running as administrator.\r\nUse that copy, or end it before starting mivrel again.";

// The running copy may be between its start and its window. After this long a
// second start gives up and ends; the first, slow to start, shows itself as
// its own start asks.
constexpr std::int64_t window_wait_ns = 5000000000;
constexpr DWORD poll_ms = 50;

struct KernelHandleTraits {
    using Value = HANDLE;
    static bool held(HANDLE handle) { return handle != nullptr; }
    static void let_go(HANDLE handle) { CloseHandle(handle); }
};
using KernelHandleGuard = Scoped<KernelHandleTraits>;

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

// The mutex's name for the user this process runs as; false when the user
// cannot be told, and with it no name that keeps users apart.
bool one_copy_mutex_name(char* name, int size) {
    HANDLE token_handle = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token_handle)) return false;
    const KernelHandleGuard token(token_handle);
    union {
        TOKEN_USER user;
        BYTE bytes[sizeof(TOKEN_USER) + SECURITY_MAX_SID_SIZE];
    } owner;
    DWORD length = 0;
    if (!GetTokenInformation(token.get(), TokenUser, &owner, sizeof owner, &length)) return false;
    char* sid = nullptr;
    if (!ConvertSidToStringSidA(owner.user.User.Sid, &sid)) return false;
    const int written = std::snprintf(name, static_cast<std::size_t>(size), "%s%s", mutex_prefix, sid);
    LocalFree(sid);
    return written > 0 && written < size;
}

enum class Answer { asked, not_reached, copy_ended };

// Posts the request to the running copy's window as soon as it exists.
// `copy_ended` when this start should run after all: the other copy let go
// of the mutex meanwhile (only where this start could open it).
Answer ask_running_copy(const char* class_name) {
    const std::int64_t start = monotonic_ns();
    for (;;) {
        if (HWND window = FindWindowA(class_name, nullptr)) {
            DWORD process = 0;
            GetWindowThreadProcessId(window, &process);
            // The user started this process, which may therefore take the
            // foreground; the running copy, in the background, may not by itself.
            AllowSetForegroundWindow(process);
            // Fails with access denied where the privilege filter still stands between.
            return PostMessageA(window, show_request_message(), 0, 0) ? Answer::asked : Answer::not_reached;
        }
        if (one_copy_mutex) {
            if (acquired(WaitForSingleObject(one_copy_mutex, poll_ms))) return Answer::copy_ended;
        } else {
            Sleep(poll_ms);
        }
        if (monotonic_ns() - start >= window_wait_ns) return Answer::not_reached;
    }
}

}  // namespace

OneCopyAction one_copy_action(bool got_handle, DWORD error) {
    if (got_handle)
        return error == ERROR_ALREADY_EXISTS ? OneCopyAction::ask_running_copy : OneCopyAction::run;
    // Any other failure tells nothing of another copy: this one runs unguarded.
    return error == ERROR_ACCESS_DENIED ? OneCopyAction::ask_elevated_copy : OneCopyAction::run;
}

bool claim_one_copy(HINSTANCE module) {
    char mutex_name[256];
    if (!one_copy_mutex_name(mutex_name, sizeof mutex_name)) return true;
    // Owned at once when created here; an existing one is not, whatever is asked.
    one_copy_mutex = CreateMutexA(nullptr, TRUE, mutex_name);
    const OneCopyAction action = one_copy_action(one_copy_mutex != nullptr, GetLastError());
    if (action == OneCopyAction::run) return true;
    // A mutex left by a copy that ended, or made by one that is ending, is ours now.
    if (one_copy_mutex && acquired(WaitForSingleObject(one_copy_mutex, 0))) return true;

    char class_name[sizeof window_class_name] = {};
    LoadStringA(module, IDS_WINDOW_CLASS, class_name, sizeof class_name);
    const Answer answer = ask_running_copy(class_name);
    if (answer == Answer::copy_ended) return true;
    if (answer == Answer::not_reached && action == OneCopyAction::ask_elevated_copy) {
        char title[sizeof window_title] = {};
        LoadStringA(module, IDS_APP_TITLE, title, sizeof title);
        MessageBoxA(nullptr, elevated_copy_text, title, MB_OK | MB_ICONINFORMATION);
    }
    if (one_copy_mutex) CloseHandle(one_copy_mutex);
    one_copy_mutex = nullptr;
    return false;
}

void allow_show_request(HWND window) {
    if (const UINT request = show_request_message())
        ChangeWindowMessageFilterEx(window, request, MSGFLT_ALLOW, nullptr);
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
