// How long the window's thread stops answering while files are saved on a slow
// disk that another program also holds: a probe thread sends the real Main
// window a message every few milliseconds and keeps the longest wait for an
// answer, during the minute's usage save, OK in a dialog (settings and
// counts) and an export. Each is measured with the save worker, then with the
// saves written on the window's thread as they were before, in the same run.
// Then the exit while the worker flushes an export: when usage.cfg is in
// place, and when the window is gone.
// Under Wine, with a display:  save_stall_bench.exe [flush_ms]
#include <windows.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>

#include "app/app.h"
#include "app/apply_settings.h"
#include "app/main_window.h"
#include "app/program.h"
#include "monitor/clock.h"
#include "monitor/traffic_graph.h"
#include "monitor/usage_count.h"
#include "settings/save_worker.h"
#include "settings/settings.h"
#include "settings/settings_file.h"
#include "settings/usage_export.h"
#include "settings/usage_keeping.h"

namespace {

int flush_ms = 2000;
std::atomic<bool> probing{false};
std::atomic<bool> probe_ended{false};
std::atomic<std::int64_t> longest_ns{0};

void probe(HWND window) {
    while (probing) {
        const std::int64_t start = monotonic_ns();
        DWORD_PTR answer = 0;
        SendMessageTimeoutA(window, WM_NULL, 0, 0, SMTO_NORMAL, 20000, &answer);
        const std::int64_t waited = monotonic_ns() - start;
        if (waited > longest_ns) longest_ns = waited;
        Sleep(2);
    }
    probe_ended = true;
}

void pump_for(DWORD milliseconds) {
    const DWORD until = GetTickCount() + milliseconds;
    while (static_cast<LONG>(until - GetTickCount()) > 0) {
        MSG message;
        while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&message);
        Sleep(1);
    }
}

// The longest wait of the probe while `action` runs on this (the window's)
// thread and the worker, if any, finishes what it was given.
template <typename Action>
double longest_wait_ms(HWND window, Action action) {
    longest_ns = 0;
    probing = true;
    probe_ended = false;
    std::thread prober(probe, window);
    pump_for(100);
    action();
    // The window goes on answering while the worker writes.
    do pump_for(50);
    while (!wait_for_saves(monotonic_ns()));
    pump_for(500);
    probing = false;
    // Its last message must be answered before it can end.
    while (!probe_ended) pump_for(5);
    prober.join();
    return longest_ns / 1e6;
}

HANDLE hold(const std::string& path) {
    return CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_ALWAYS,
                       FILE_ATTRIBUTE_NORMAL, nullptr);
}

void export_done(bool, const char*, void*) {}

DWORD window_thread = 0;
std::atomic<std::int64_t> usage_placed_ns{0};

// The exit while the worker flushes an export to a slow share: how long until
// usage.cfg is in place, and until the window is gone. `join_first` ends the
// worker before the final saves, as the exit did before.
void measure_exit(const char* name, bool join_first, const std::string& exported) {
    HWND window = create_main_window(GetModuleHandleA(nullptr));
    if (!window) return;
    wait_for_saves(monotonic_ns() + 10'000'000'000);
    usage_placed_ns = 0;
    export_usage(exported.c_str(), export_done, nullptr);
    Sleep(100);  // the worker is flushing it now
    const std::int64_t start = monotonic_ns();
    if (join_first) stop_save_worker();
    DestroyWindow(window);
    const std::int64_t end = monotonic_ns();
    MSG quit;
    while (PeekMessageA(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) {
    }
    std::printf("%-40s %14.1f %14.1f\n", name, (usage_placed_ns - start) / 1e6, (end - start) / 1e6);
    std::fflush(stdout);
    // A worker left to the process's end finishes meanwhile.
    Sleep(static_cast<DWORD>(flush_ms));
}

}  // namespace

int main(int argc, char** argv) {
    if (argc > 1) flush_ms = std::atoi(argv[1]);
    // As the program's own start does: a tick minutes in needs an open query.
    create_traffic_graph();
    char folder[MAX_PATH] = {};
    GetTempPathA(sizeof folder, folder);
    std::string base = std::string(folder) + "mivrel-stall-bench";
    CreateDirectoryA(base.c_str(), nullptr);
    SetEnvironmentVariableA("AppData", base.c_str());
    SetEnvironmentVariableA("LocalAppData", base.c_str());
    CreateDirectoryA(settings_path(""), nullptr);
    if (std::FILE* file = std::fopen(settings_path("settings.cfg"), "wb")) {
        std::fputs("app.starts\t1\ngraph.delay\t60000\n", file);
        std::fclose(file);
    }
    const std::string settings = settings_path("settings.cfg");
    const std::string usage = settings_path("usage.cfg");
    const std::string exported = settings_path("export.csv");

    HWND window = create_main_window(GetModuleHandleA(nullptr));
    if (!window) return 1;
    ShowWindow(window, SW_SHOWNOACTIVATE);
    wait_for_saves(monotonic_ns() + 10'000'000'000);
    file_flusher = [](std::FILE* file) {
        Sleep(static_cast<DWORD>(flush_ms));
        return flush_file_to_disk(file);
    };
    HANDLE holders[] = {hold(settings), hold(usage), hold(exported)};

    std::int64_t minute = monotonic_ns();
    const struct {
        const char* name;
        void (*action)(std::int64_t* minute, const char* exported);
    } actions[] = {
        {"the minute's usage save",
         [](std::int64_t* at, const char*) {
             keep_usage(*at);
             usage_count.changed = true;
             *at += usage_write_interval_ns;
             keep_usage(*at);
         }},
        {"OK in a dialog (settings and counts)", [](std::int64_t*, const char*) { save_settings(); }},
        {"Export...", [](std::int64_t*, const char* path) { export_usage(path, export_done, nullptr); }},
    };
    std::printf("flush %d ms, settings.cfg and usage.cfg held by another handle\n", flush_ms);
    std::printf("%-40s %14s %14s %8s\n", "longest wait of the window (ms)", "on the window", "worker",
                "ratio");
    std::fflush(stdout);
    for (const auto& a : actions) {
        stop_save_worker();
        const double before = longest_wait_ms(window, [&] { a.action(&minute, exported.c_str()); });
        start_save_worker();
        const double now = longest_wait_ms(window, [&] { a.action(&minute, exported.c_str()); });
        std::printf("%-40s %14.1f %14.1f %8.3f\n", a.name, before, now, now / before);
        std::fflush(stdout);
    }
    stop_save_worker();
    for (HANDLE holder : holders) CloseHandle(holder);
    save_on_exit = 0;
    DestroyWindow(window);

    // Only the worker's flushes are slow: the export goes to a share, the counts stay local.
    save_on_exit = 1;
    window_thread = GetCurrentThreadId();
    file_flusher = [](std::FILE* file) {
        if (GetCurrentThreadId() != window_thread) Sleep(static_cast<DWORD>(flush_ms));
        return flush_file_to_disk(file);
    };
    file_replacer = [](const char* from, const char* to) {
        const ReplaceResult result = replace_file(from, to);
        if (GetCurrentThreadId() == window_thread && std::strstr(to, "usage.cfg") && usage_placed_ns == 0)
            usage_placed_ns = monotonic_ns();
        return result;
    };
    std::printf("\nexit while an export is flushed for %d ms %18s %14s\n", flush_ms, "usage.cfg (ms)",
                "exit (ms)");
    measure_exit("the worker joined first (before)", true, exported);
    measure_exit("the job in flight left to finish (now)", false, exported);
    file_replacer = replace_file;
    save_on_exit = 0;
    delete_settings();
    RemoveDirectoryA(base.c_str());
    return 0;
}
