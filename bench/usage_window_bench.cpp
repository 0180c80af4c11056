// Times the Usage window's opening on ten years of history for three
// adapters: from the request until the window has been shown and painted
// (the first timer of its loop comes after every paint), and its parts.
// Under Wine, with a display:  usage_window_bench.exe [years]
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "app/app.h"
#include "dialogs/usage_chart_window.h"
#include "dialogs/usage_dialog.h"
#include "monitor/clock.h"
#include "monitor/usage_history.h"
#include "resources/resource.h"
#include "settings/settings_file.h"
#include "settings/usage_keeping.h"

namespace {

std::int64_t opened_ns = 0;

void CALLBACK end_when_painted(HWND, UINT, UINT_PTR timer, DWORD) {
    KillTimer(nullptr, timer);
    opened_ns = monotonic_ns();
    if (HWND usage = FindWindowA("#32770", "Usage")) EndDialog(usage, IDCANCEL);
}

// Three adapters on every day, the loopback not hardware.
void write_history(int years) {
    const std::string path = settings_path("usage-history.csv");
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (!file) return;
    std::fputs(
        "\xEF\xBB\xBF"
        "date,adapter,hardware,received,sent\r\n",
        file);
    const DayNumber today = local_today();
    for (DayNumber day = today - 365 * years; day < today; ++day) {
        char date[11];
        format_iso_date(date, day);
        const unsigned long long bytes = 1'000'000ull * static_cast<unsigned>(day % 997 + 1);
        std::fprintf(file, "%s,Ethernet,1,%llu,%llu\r\n", date, bytes * 3, bytes);
        std::fprintf(file, "%s,Wi-Fi,1,%llu,%llu\r\n", date, bytes * 2, bytes / 2);
        std::fprintf(file, "%s,Loopback Pseudo-Interface 1,0,%llu,%llu\r\n", date, bytes, bytes);
    }
    std::fclose(file);
}

}  // namespace

int main(int argc, char** argv) {
    const int years = argc > 1 ? std::atoi(argv[1]) : 10;
    char folder[MAX_PATH] = {};
    GetTempPathA(sizeof folder, folder);
    std::strncat(folder, "mivrel-usage-bench", sizeof folder - std::strlen(folder) - 1);
    CreateDirectoryA(folder, nullptr);
    SetEnvironmentVariableA("AppData", folder);
    CreateDirectoryA(settings_path(""), nullptr);
    write_history(years);
    instance = GetModuleHandleA(nullptr);

    const std::int64_t start = monotonic_ns();
    load_usage();
    const std::int64_t loaded = monotonic_ns();
    register_usage_chart();
    SetTimer(nullptr, 0, USER_TIMER_MINIMUM, end_when_painted);
    DialogBoxParamA(instance, MAKEINTRESOURCEA(IDD_USAGE), nullptr, usage_dialog_proc, 0);
    DayNumber first = 0;
    usage_first_date(&first);
    std::printf("history of %d years, %d adapters, from %d: loaded in %.1f ms\n", years,
                static_cast<int>(usage_adapter_count()), static_cast<int>(first), (loaded - start) / 1e6);
    std::printf("Usage window shown and painted in %.1f ms (the timer that ends it waits %u ms at least)\n",
                (opened_ns - loaded) / 1e6, USER_TIMER_MINIMUM);
    delete_usage();
    RemoveDirectoryA(settings_path(""));
    RemoveDirectoryA(folder);
    return 0;
}
