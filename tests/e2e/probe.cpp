// Steers a running mivrel from the outside, for the end-to-end tests and the
// run command. Every wait has a time limit.
//   probe find [ms]                 waits for the visible "MIVREL" window and prints its
//                                   handle, style, extended style, rectangle and client
//                                   area (screen origin, width, height)
//   probe wait <ms>                 the same, silently
//   probe gone <ms>                 waits until no "MIVREL" window is left
//   probe escape | close            presses Escape in it / asks it to close
//   probe command <id>              posts the menu command <id> to it
//   probe icon <event>              posts the notification icon's mouse message <event> to it
//   probe front                     prints the class of the foreground window
//   probe answer <caption> <id> <ms>
//                                   waits for the program's box <caption>, presses button <id>
//   probe theme <name> <ms>         opens Configure from the window's context menu, chooses
//                                   the theme <name> in its list and presses OK
//   probe usage <ms>                opens Usage from the window's context menu and waits for it
//   probe export <folder> <ms>      in the open Usage window, presses Export, and in the Save As
//                                   dialog saves under <folder>\<a name outside the ANSI code
//                                   page>\<the offered name>; prints "exported <offered name>"
//   probe tip [visible|hidden] [ms]
//                                   prints the program's tooltip window: "tip visible" or
//                                   "tip hidden", its text with " | " between lines, its
//                                   rectangle; waits up to ms for the state named first
//   probe wake                      tells it the system has resumed from sleep, as Windows
//                                   does, and returns once it has handled that: it has read
//                                   its counters (the readings of a test need not wait 10 s)
//   probe kill                      ends the program's process where it stands
//   probe answers <ms>              sends the window an empty message again and again for ms
//                                   and prints "longest <ms>": its longest answer time
//   probe run FOLDER PROGRAM [LOCAL]
//                                   runs PROGRAM with "AppData" set to FOLDER and
//                                   "LocalAppData" to LOCAL (else FOLDER too) and gives its
//                                   exit code (Wine would otherwise hand a program started
//                                   from the host its profile's folders)
// Exit status 0 on success, 1 when a window did not come in time.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <cwchar>
#include <utility>

namespace {

constexpr int theme_list_id = 1014;
constexpr int config_ok_id = 1004;
constexpr int usage_export_id = 1111;
constexpr int file_name_combo_id = 0x47C;  // cmb13 of the Explorer-style file dialogs
constexpr int file_name_edit_id = 0x480;   // edt1
// "Łukasz Żółć 李": no ANSI code page holds all of it.
constexpr wchar_t non_ansi_folder[] = L"\x0141ukasz \x017B\x00F3\x0142\x0107 \x674E";

HWND program_window() {
    return FindWindowA("MIVREL", nullptr);
}

template <typename Found>
bool wait_until(DWORD limit_ms, Found found) {
    const DWORD start = GetTickCount();
    for (;;) {
        if (found()) return true;
        if (GetTickCount() - start >= limit_ms) return false;
        Sleep(50);
    }
}

DWORD milliseconds(const char* text) {
    return static_cast<DWORD>(std::strtoul(text, nullptr, 10));
}

bool wait_for_window(DWORD limit_ms) {
    return wait_until(limit_ms, [] { return program_window() && IsWindowVisible(program_window()); });
}

int find(DWORD limit_ms) {
    if (!wait_for_window(limit_ms)) {
        std::printf("window none\n");
        return 1;
    }
    HWND window = program_window();
    RECT rect{};
    GetWindowRect(window, &rect);
    std::printf("window %p\n", static_cast<void*>(window));
    std::printf("style 0x%08lx\n", static_cast<unsigned long>(GetWindowLongA(window, GWL_STYLE)));
    std::printf("exstyle 0x%08lx\n", static_cast<unsigned long>(GetWindowLongA(window, GWL_EXSTYLE)));
    std::printf("rect %ld %ld %ld %ld\n", rect.left, rect.top, rect.right, rect.bottom);
    RECT client{};
    GetClientRect(window, &client);
    POINT origin{0, 0};
    ClientToScreen(window, &origin);
    std::printf("client %ld %ld %ld %ld\n", origin.x, origin.y, client.right, client.bottom);
    return 0;
}

int post_to_program(UINT message, WPARAM wparam, LPARAM lparam) {
    HWND window = program_window();
    return window && PostMessageA(window, message, wparam, lparam) ? 0 : 1;
}

int send_to_program(UINT message, WPARAM wparam, LPARAM lparam) {
    HWND window = program_window();
    DWORD_PTR result = 0;
    if (!window) return 1;
    return SendMessageTimeoutA(window, message, wparam, lparam, SMTO_ABORTIFHUNG, 10000, &result) ? 0 : 1;
}

// A window of the program's own thread, so that nothing else of that
// class and caption is pressed by mistake.
HWND wait_for_program_window(const char* window_class, const char* caption, DWORD limit_ms) {
    HWND found = nullptr;
    wait_until(limit_ms, [&] {
        HWND window = program_window();
        found = FindWindowA(window_class, caption);
        return window && found && IsWindowVisible(found) &&
               GetWindowThreadProcessId(found, nullptr) == GetWindowThreadProcessId(window, nullptr);
    });
    return found && IsWindowVisible(found) ? found : nullptr;
}

int answer(const char* caption, int button, DWORD limit_ms) {
    HWND box = wait_for_program_window("#32770", caption, limit_ms);
    if (!box) return 1;
    return PostMessageA(box, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED),
                        reinterpret_cast<LPARAM>(GetDlgItem(box, button)))
               ? 0
               : 1;
}

// As a user would: a right click opens the menu, "c" picks "&Configure...",
// the theme is chosen in the list, OK confirms.
int choose_theme(const char* name, DWORD limit_ms) {
    if (!wait_for_window(limit_ms)) return 1;
    RECT rect{};
    GetWindowRect(program_window(), &rect);
    post_to_program(WM_CONTEXTMENU, reinterpret_cast<WPARAM>(program_window()),
                    MAKELPARAM(rect.left + 20, rect.top + 20));
    HWND menu = wait_for_program_window("#32768", nullptr, limit_ms);
    if (!menu) return 1;
    PostMessageA(menu, WM_KEYDOWN, 'C', 0);
    PostMessageA(menu, WM_CHAR, 'c', 0);
    HWND dialog = wait_for_program_window("#32770", "Configuration", limit_ms);
    if (!dialog) return 1;
    HWND list = GetDlgItem(dialog, theme_list_id);
    if (SendMessageA(list, CB_SELECTSTRING, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(name)) ==
        CB_ERR)
        return 1;
    SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(theme_list_id, CBN_SELCHANGE),
                 reinterpret_cast<LPARAM>(list));
    SendMessageA(GetDlgItem(dialog, config_ok_id), BM_CLICK, 0, 0);
    return wait_until(limit_ms, [&] { return !IsWindow(dialog); }) ? 0 : 1;
}

// As a user would: a right click opens the menu, "u" picks "&Usage...".
int open_usage(DWORD limit_ms) {
    if (!wait_for_window(limit_ms)) return 1;
    RECT rect{};
    GetWindowRect(program_window(), &rect);
    post_to_program(WM_CONTEXTMENU, reinterpret_cast<WPARAM>(program_window()),
                    MAKELPARAM(rect.left + 20, rect.top + 20));
    HWND menu = wait_for_program_window("#32768", nullptr, limit_ms);
    if (!menu) return 1;
    PostMessageA(menu, WM_KEYDOWN, 'U', 0);
    PostMessageA(menu, WM_CHAR, 'u', 0);
    return wait_for_program_window("#32770", "Usage", limit_ms) ? 0 : 1;
}

HWND file_name_field(HWND dialog) {
    if (HWND combo = GetDlgItem(dialog, file_name_combo_id)) {
        if (HWND edit = FindWindowExA(combo, nullptr, "Edit", nullptr)) return edit;
        return combo;
    }
    return GetDlgItem(dialog, file_name_edit_id);
}

// The other process's controls are Unicode windows: the wide messages carry the name whole.
int export_usage(const char* folder, DWORD limit_ms) {
    HWND usage = wait_for_program_window("#32770", "Usage", limit_ms);
    if (!usage) return 1;
    PostMessageA(GetDlgItem(usage, usage_export_id), BM_CLICK, 0, 0);
    HWND save = wait_for_program_window("#32770", "Save As", limit_ms);
    HWND field = save ? file_name_field(save) : nullptr;
    if (!field) return 1;
    wchar_t offered[MAX_PATH] = {};
    SendMessageW(field, WM_GETTEXT, MAX_PATH, reinterpret_cast<LPARAM>(offered));
    wchar_t path[1024] = {};
    MultiByteToWideChar(CP_ACP, 0, folder, -1, path, MAX_PATH);
    std::wcsncat(path, L"\\", 2);
    std::wcsncat(path, non_ansi_folder, MAX_PATH);
    std::wcsncat(path, L"\\", 2);
    std::wcsncat(path, offered, MAX_PATH);
    SendMessageW(field, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(path));
    PostMessageA(save, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(save, IDOK)));
    if (!wait_until(limit_ms, [&] { return !IsWindow(save); })) return 1;
    char name[MAX_PATH * 3] = {};
    WideCharToMultiByte(CP_UTF8, 0, offered, -1, name, sizeof name, nullptr, nullptr);
    std::printf("exported %s\n", name);
    return 0;
}

// The program's own tooltip control: the one visible, else any.
HWND program_tip() {
    std::pair<DWORD, HWND> search{0, nullptr};
    if (!program_window()) return nullptr;
    GetWindowThreadProcessId(program_window(), &search.first);
    EnumWindows(
        [](HWND window, LPARAM data) -> BOOL {
            auto* found = reinterpret_cast<std::pair<DWORD, HWND>*>(data);
            char name[64] = {};
            DWORD process = 0;
            GetClassNameA(window, name, sizeof name);
            GetWindowThreadProcessId(window, &process);
            if (process != found->first || std::strcmp(name, "tooltips_class32") != 0) return TRUE;
            found->second = window;
            return !IsWindowVisible(window);
        },
        reinterpret_cast<LPARAM>(&search));
    return search.second;
}

int tip(const char* state, DWORD limit_ms) {
    const bool want_visible = !std::strcmp(state, "visible");
    const bool reached = wait_until(limit_ms, [&] {
        return !*state || (program_tip() && IsWindowVisible(program_tip()) == want_visible);
    });
    HWND found = program_tip();
    if (!found) {
        std::printf("tip none\n");
        return 1;
    }
    // The control is a Unicode window in the other process: the wide message is marshalled whole.
    wchar_t wide[256] = {};
    SendMessageW(found, WM_GETTEXT, 256, reinterpret_cast<LPARAM>(wide));
    char text[256] = {};
    WideCharToMultiByte(CP_ACP, 0, wide, -1, text, sizeof text, nullptr, nullptr);
    std::printf("tip %s\ntext ", IsWindowVisible(found) ? "visible" : "hidden");
    for (const char* c = text; *c; ++c) {
        if (*c == '\n')
            std::printf(" | ");
        else if (*c != '\r')
            std::putchar(*c);
    }
    RECT rect{};
    GetWindowRect(found, &rect);
    std::printf("\nrect %ld %ld %ld %ld\n", rect.left, rect.top, rect.right, rect.bottom);
    return reached ? 0 : 1;
}

// As Task Manager's End task does: no message, no saving.
int kill_program() {
    DWORD process_id = 0;
    if (!program_window() || !GetWindowThreadProcessId(program_window(), &process_id)) return 1;
    HANDLE process = OpenProcess(PROCESS_TERMINATE, FALSE, process_id);
    if (!process) return 1;
    const BOOL ended = TerminateProcess(process, 1);
    CloseHandle(process);
    return ended ? 0 : 1;
}

int longest_answer(DWORD span_ms) {
    HWND window = program_window();
    if (!window) return 1;
    LARGE_INTEGER frequency, start, before, after;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&start);
    LONGLONG longest = 0;
    do {
        QueryPerformanceCounter(&before);
        DWORD_PTR result = 0;
        if (!SendMessageTimeoutA(window, WM_NULL, 0, 0, SMTO_NORMAL, 20000, &result)) return 1;
        QueryPerformanceCounter(&after);
        if (after.QuadPart - before.QuadPart > longest) longest = after.QuadPart - before.QuadPart;
        Sleep(2);
    } while ((after.QuadPart - start.QuadPart) * 1000 / frequency.QuadPart < span_ms);
    std::printf("longest %.1f\n",
                static_cast<double>(longest) * 1000.0 / static_cast<double>(frequency.QuadPart));
    return 0;
}

int run(const char* app_data, const char* program, const char* local_app_data) {
    if (!SetEnvironmentVariableA("AppData", app_data) ||
        !SetEnvironmentVariableA("LocalAppData", local_app_data))
        return 1;
    char command_line[MAX_PATH + 2];
    std::snprintf(command_line, sizeof command_line, "\"%s\"", program);
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    if (!CreateProcessA(program, command_line, nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                        &process)) {
        std::fprintf(stderr, "probe: cannot start %s (error %lu)\n", program, GetLastError());
        return 127;
    }
    WaitForSingleObject(process.hProcess, INFINITE);
    DWORD exit_code = 1;
    GetExitCodeProcess(process.hProcess, &exit_code);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return static_cast<int>(exit_code);
}

}  // namespace

int main(int argc, char** argv) {
    const char* verb = argc >= 2 ? argv[1] : "";
    auto is = [&](const char* name, int arguments) {
        return argc == arguments + 2 && !std::strcmp(verb, name);
    };
    if (argc <= 3 && !std::strcmp(verb, "find")) return find(argc == 3 ? milliseconds(argv[2]) : 0);
    if (is("wait", 1)) return wait_for_window(milliseconds(argv[2])) ? 0 : 1;
    if (is("gone", 1)) return wait_until(milliseconds(argv[2]), [] { return !program_window(); }) ? 0 : 1;
    if (is("escape", 0)) return post_to_program(WM_KEYDOWN, VK_ESCAPE, 0x00010001);
    if (is("close", 0)) return post_to_program(WM_CLOSE, 0, 0);
    if (is("kill", 0)) return kill_program();
    if (is("wake", 0)) return send_to_program(WM_POWERBROADCAST, PBT_APMRESUMEAUTOMATIC, 0);
    if (is("answers", 1)) return longest_answer(milliseconds(argv[2]));
    if (is("command", 1)) return post_to_program(WM_COMMAND, milliseconds(argv[2]), 0);
    if (is("front", 0)) {
        char name[64] = "none";
        if (HWND front = GetForegroundWindow()) GetClassNameA(front, name, sizeof name);
        std::printf("front %s\n", name);
        return 0;
    }
    if (is("icon", 1)) return post_to_program(WM_USER, 0, std::strtol(argv[2], nullptr, 0));
    if (is("answer", 3)) return answer(argv[2], std::atoi(argv[3]), milliseconds(argv[4]));
    if (is("theme", 2)) return choose_theme(argv[2], milliseconds(argv[3]));
    if (argc <= 4 && !std::strcmp(verb, "tip"))
        return tip(argc >= 3 ? argv[2] : "", argc == 4 ? milliseconds(argv[3]) : 0);
    if ((is("run", 2) || is("run", 3))) return run(argv[2], argv[3], argc > 4 ? argv[4] : argv[2]);
    if (is("usage", 1)) return open_usage(milliseconds(argv[2]));
    if (is("export", 2)) return export_usage(argv[2], milliseconds(argv[3]));
    std::fprintf(stderr,
                 "usage: probe "
                 "find|wait|gone|escape|close|command|icon|front|answer|theme|usage|export|tip|run|wake|"
                 "answers ...\n");
    return 2;
}
