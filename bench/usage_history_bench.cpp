// Times loading and writing ten years of usage-history.csv for three
// adapters, and for a hundred (every day of each with traffic), against the
// least the same file must cost: reading its lines with fgets. Prints each
// file's size and the median of several rounds.
// Usage: usage_history_bench [rounds]   (default 7)
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "monitor/clock.h"
#include "settings/settings_file_platform.h"
#include "settings/usage_history_file.h"

namespace {

using Clock = std::chrono::steady_clock;

double elapsed_ms(Clock::time_point since) {
    return std::chrono::duration<double, std::milli>(Clock::now() - since).count();
}

double median(std::vector<double> times) {
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

// Every day from 2016-03-31 to 2026-03-30 for a wired, a wireless and the
// loopback adapter, and as many more as asked, with counts of realistic
// width from a fixed generator.
UsageCount ten_years(int adapters) {
    UsageCount usage{};
    std::vector<std::string> names = {"Intel(R) Ethernet Connection (7) I219-V",
                                      "Intel(R) Wi-Fi 6 AX201 160MHz", "Software Loopback Interface 1"};
    for (int i = 3; i < adapters; ++i)
        names.push_back("Hyper-V Virtual Ethernet Adapter #" + std::to_string(i));
    std::uint64_t state = 12345;
    auto next = [&state] {
        state = state * 6364136223846793005u + 1442695040888963407u;
        return state >> 24;
    };
    DayNumber first = 0, last = 0;
    parse_iso_date("2016-03-31", &first);
    parse_iso_date("2026-03-30", &last);
    for (DayNumber day = first; day <= last; ++day) {
        for (int i = 0; i < adapters; ++i) {
            const std::int32_t adapter =
                usage_adapter_index(usage, names[static_cast<std::size_t>(i)].c_str(), true);
            add_usage(usage, adapter, day, i != 2, next() % 40'000'000'000u, next() % 4'000'000'000u);
        }
    }
    usage.today = last + 1;
    return usage;
}

double read_lines_ms(const std::string& path, std::size_t* lines) {
    const Clock::time_point start = Clock::now();
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (!file) return -1;
    char piece[1024];
    *lines = 0;
    while (std::fgets(piece, sizeof piece, file)) ++*lines;
    std::fclose(file);
    return elapsed_ms(start);
}

// Writes and loads the history of `adapters` adapters `rounds` times; false when one failed.
bool measure(const std::string& path, int adapters, int rounds) {
    const UsageCount usage = ten_years(adapters);
    std::vector<double> loads, floors, writes;
    std::size_t lines = 0;
    bool ok = true;
    for (int round = 0; round < rounds && ok; ++round) {
        Clock::time_point start = Clock::now();
        ok = write_usage_history(path.c_str(), usage);
        writes.push_back(elapsed_ms(start));
        floors.push_back(read_lines_ms(path, &lines));
        UsageCount loaded{};
        start = Clock::now();
        ok = ok && read_usage_history(path.c_str(), &loaded) == HistoryRead::read;
        loads.push_back(elapsed_ms(start));
        ok = ok && loaded.days.size() == usage.days.size();
    }
    std::error_code error;
    const auto size = std::filesystem::file_size(path, error);
    if (!ok) return false;
    std::printf("usage-history.csv, ten years of %d adapters: %zu lines, %llu bytes\n", adapters, lines,
                static_cast<unsigned long long>(size));
    std::printf("  median of %d rounds: load %.2f ms (fgets %.2f ms, ratio %.1f), write %.2f ms\n", rounds,
                median(loads), median(floors), median(loads) / median(floors), median(writes));
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 7;
    std::error_code error;
    const std::filesystem::path folder = std::filesystem::temp_directory_path(error) /
                                         ("mivrel-usage-bench-" + std::to_string(current_process_id()));
    if (error || !std::filesystem::create_directories(folder, error)) {
        std::fprintf(stderr, "usage_history_bench: no scratch folder\n");
        return 1;
    }
    const std::string path = (folder / "usage-history.csv").string();
    const bool ok = measure(path, 3, rounds) && measure(path, 100, rounds);
    std::filesystem::remove_all(folder, error);
    if (!ok) {
        std::fprintf(stderr, "usage_history_bench: a write or load failed\n");
        return 1;
    }
    return 0;
}
