// Times whole sample ticks of the real Main window at the default size and
// delay, with the program's icon, the live graph icon and the rates icon in
// turn, in the same run: the process's own CPU (user and kernel) per tick and
// the wall time. The scripted counters change the traffic on every tick, so
// the live icons are redrawn and sent every tick: their dearest case. With
// "real" the platform's counters of all interfaces ("*") are read instead, as
// the program reads them, with whatever traffic the machine has.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <vector>

#include "app/app.h"
#include "app/live_icon.h"
#include "app/main_window.h"
#include "app/notification_area.h"
#include "app/notification_icon.h"
#include "app/program.h"
#include "monitor/clock.h"
#include "monitor/traffic_graph.h"
#include "support/scripted_counters.h"

namespace {

double process_cpu_us() {
    FILETIME created, ended, kernel, user;
    GetProcessTimes(GetCurrentProcess(), &created, &ended, &kernel, &user);
    const auto us = [](const FILETIME& time) {
        return static_cast<double>((static_cast<unsigned long long>(time.dwHighDateTime) << 32) |
                                   time.dwLowDateTime) /
               10.0;
    };
    return us(kernel) + us(user);
}

double now_us() {
    return static_cast<double>(monotonic_ns()) / 1000.0;
}

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

void write_settings(const char* folder, const char* adapter) {
    char path[MAX_PATH];
    std::snprintf(path, sizeof path, "%s\\mivrel", folder);
    CreateDirectoryA(path, nullptr);
    std::snprintf(path, sizeof path, "%s\\mivrel\\settings.cfg", folder);
    HANDLE file = CreateFileA(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    char text[256];
    const int length =
        std::snprintf(text, sizeof text, "app.starts\t1\ndevice.in\t%s\ndevice.out\t%s\ngraph.delay\t60000\n",
                      adapter, adapter);
    DWORD written = 0;
    WriteFile(file, text, static_cast<DWORD>(length), &written, nullptr);
    CloseHandle(file);
}

struct Round {
    double cpu_us;
    double wall_us;
    double new_icons;  // per tick
};

Round run_ticks(HWND window, int eth, int ticks) {
    static std::uint64_t step = 0;
    const double cpu = process_cpu_us(), wall = now_us();
    const long made = live_icon_counts.icons_made;
    for (int i = 0; i < ticks; ++i, ++step) {
        scripted_add_counts(eth, step * 7919 % 500000, step * 104729 % 300000);
        scripted_advance_ms(1000);
        SendMessageA(window, WM_TIMER, sample_timer_id, 0);
    }
    return {(process_cpu_us() - cpu) / ticks, (now_us() - wall) / ticks,
            static_cast<double>(live_icon_counts.icons_made - made) / ticks};
}

// The shell's part alone: a changed tooltip, a changed icon, both at once;
// and making and destroying one 16-pixel icon.
void bench_parts(HWND window) {
    NOTIFYICONDATAA data{};
    data.cbSize = sizeof data;
    data.hWnd = window;
    data.uID = 7;
    data.uFlags = NIF_TIP;
    Shell_NotifyIconA(NIM_ADD, &data);
    std::vector<std::uint32_t> pixels(16 * 16, 0xFF616A65u);
    BITMAPINFO info{};
    info.bmiHeader = {sizeof info.bmiHeader, 16, 16, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    void* bits = nullptr;
    HBITMAP colour = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    std::vector<BYTE> clear(32 * 16, 0);
    HBITMAP mask = CreateBitmap(16, 16, 1, 1, clear.data());
    ICONINFO parts{TRUE, 0, 0, mask, colour};
    constexpr int calls = 2000;
    const auto time = [&](const char* name, auto&& body) {
        const double cpu = process_cpu_us(), wall = now_us();
        for (int i = 0; i < calls; ++i) body(i);
        std::printf("%-34s CPU %6.1f us, wall %6.1f us\n", name, (process_cpu_us() - cpu) / calls,
                    (now_us() - wall) / calls);
    };
    time("CreateIconIndirect + DestroyIcon", [&](int) { DestroyIcon(CreateIconIndirect(&parts)); });
    HICON icons[2] = {CreateIconIndirect(&parts), CreateIconIndirect(&parts)};
    time("NIM_MODIFY tooltip", [&](int i) {
        data.uFlags = NIF_TIP;
        std::snprintf(data.szTip, sizeof data.szTip, "tip %d", i);
        Shell_NotifyIconA(NIM_MODIFY, &data);
    });
    time("NIM_MODIFY icon", [&](int i) {
        data.uFlags = NIF_ICON;
        data.hIcon = icons[i & 1];
        Shell_NotifyIconA(NIM_MODIFY, &data);
    });
    time("NIM_MODIFY tooltip and icon", [&](int i) {
        data.uFlags = NIF_TIP | NIF_ICON;
        data.hIcon = icons[i & 1];
        std::snprintf(data.szTip, sizeof data.szTip, "tip %d", i);
        Shell_NotifyIconA(NIM_MODIFY, &data);
    });
    Shell_NotifyIconA(NIM_DELETE, &data);
    DestroyIcon(icons[0]);
    DestroyIcon(icons[1]);
    DeleteObject(colour);
    DeleteObject(mask);
}

}  // namespace

int main(int argc, char** argv) {
    const bool real = argc > 1 && std::strcmp(argv[1], "real") == 0;
    char folder[MAX_PATH] = {};
    GetTempPathA(sizeof folder, folder);
    std::snprintf(folder + std::strlen(folder), sizeof folder - std::strlen(folder), "mivrel-bench-%lu",
                  GetCurrentProcessId());
    CreateDirectoryA(folder, nullptr);
    SetEnvironmentVariableA("AppData", folder);
    write_settings(folder, real ? "*" : "eth0");

    scripted_reset();
    const int eth = scripted_add("eth0", true);
    if (real) set_counter_backend(platform_counter_backend());
    create_traffic_graph();
    HWND window = create_main_window(GetModuleHandleA(nullptr));
    ShowWindow(window, SW_SHOWNOACTIVATE);
    UpdateWindow(window);

    const TrayIconMode modes[] = {TrayIconMode::icon, TrayIconMode::graph, TrayIconMode::rates};
    std::vector<double> cpu[3], wall[3], new_icons[3];
    constexpr int ticks = 2000;
    run_ticks(window, eth, ticks);  // the graph fills, caches warm
    for (int round = 0; round < 5; ++round) {
        // Alternate the modes so that all see the same machine and server state.
        for (int m = 0; m < 3; ++m) {
            set_tray_icon_mode(modes[m]);
            const Round result = run_ticks(window, eth, ticks);
            cpu[m].push_back(result.cpu_us);
            wall[m].push_back(result.wall_us);
            new_icons[m].push_back(result.new_icons);
        }
    }
    const char* names[] = {"program icon", "live graph icon", "rates icon"};
    for (int m = 0; m < 3; ++m)
        std::printf(
            "%-16s CPU %6.1f us per tick, wall %6.1f us, new icons per tick %.2f   CPU / program icon's "
            "%.2f\n",
            names[m], median(cpu[m]), median(wall[m]), median(new_icons[m]), median(cpu[m]) / median(cpu[0]));
    set_tray_icon_mode(TrayIconMode::icon);
    bench_parts(window);
    DestroyWindow(window);
    return 0;
}
