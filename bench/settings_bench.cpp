// Times loading and saving a settings file that carries thousands of foreign
// keys besides the program's own, against the least the same file must cost:
// reading its lines with fgets, and writing them back to a temporary file
// that is flushed to disk and swapped in, as a save does. Prints the median of
// several rounds, the ratios to those baselines, and how the times grow from
// 10,000 to 80,000 keys (about 8 when in proportion, 64 when in the square).
// Usage: settings_bench [rounds]   (default 5)
#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "settings/settings_file.h"
#include "settings/settings_file_platform.h"
#include "settings/settings_store.h"

namespace {

// The keys the program itself reads at start and sets before every save.
constexpr const char* program_keys[][2] = {
    {"app.left", "10"},
    {"app.top", "10"},
    {"app.width", "200"},
    {"app.height", "80"},
    {"device.in", "*"},
    {"device.out", "*"},
    {"graph.delay", "1000"},
    {"graph.locked_max", "0"},
    {"graph.locked_max_value", "512000"},
    {"app.always_on_top", "1"},
    {"app.alpha", "255"},
    {"graph.theme", "Zombie Mocha"},
    {"graph.dependent_text_color", "0"},
    {"app.starts", "3"},
};

constexpr int program_key_count = sizeof program_keys / sizeof program_keys[0];

using Clock = std::chrono::steady_clock;

double elapsed_ms(Clock::time_point since) {
    return std::chrono::duration<double, std::milli>(Clock::now() - since).count();
}

double median(std::vector<double> times) {
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

// Foreign keys of varied length and spelling from a fixed generator, so every
// run reads the same file; the program's keys come after them, where they land
// when the program first saves into a file another program wrote.
std::vector<std::string> settings_lines(int foreign_keys) {
    static const char letters[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789._-";
    std::uint32_t state = 12345;
    auto next = [&state] {
        state = state * 1664525u + 1013904223u;
        return state >> 8;
    };
    std::vector<std::string> lines;
    lines.reserve(static_cast<std::size_t>(foreign_keys + program_key_count));
    for (int i = 0; i < foreign_keys; ++i) {
        std::string line = "x" + std::to_string(i) + ".";
        for (std::uint32_t n = 4 + next() % 24; n > 0; --n) line += letters[next() % (sizeof letters - 1)];
        line += '\t';
        for (std::uint32_t n = 1 + next() % 40; n > 0; --n) line += letters[next() % (sizeof letters - 1)];
        lines.push_back(line + "\n");
    }
    for (const auto& pair : program_keys) lines.push_back(std::string(pair[0]) + "\t" + pair[1] + "\n");
    return lines;
}

bool write_lines(const std::string& path, const std::vector<std::string>& lines) {
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (!file) return false;
    bool written = true;
    for (const std::string& line : lines) written = written && std::fputs(line.c_str(), file) >= 0;
    written = written && std::fflush(file) == 0 && flush_file_to_disk(file);
    return std::fclose(file) == 0 && written;
}

// The floor of a load: every line of the file read.
double read_lines_ms(const std::string& path) {
    Clock::time_point start = Clock::now();
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (!file) return -1;
    char piece[1024];
    std::size_t lines = 0;
    while (std::fgets(piece, sizeof piece, file)) ++lines;
    std::fclose(file);
    double ms = elapsed_ms(start);
    return lines > 0 ? ms : -1;
}

// The floor of a save: the same lines written beside the file and swapped in.
double write_lines_ms(const std::string& path, const std::vector<std::string>& lines) {
    const std::string temporary = path + ".baseline";
    Clock::time_point start = Clock::now();
    if (!write_lines(temporary, lines) ||
        replace_file(temporary.c_str(), path.c_str()) != ReplaceResult::replaced)
        return -1;
    return elapsed_ms(start);
}

double load_ms(const std::string& path) {
    Clock::time_point start = Clock::now();
    if (!load_settings_file(path.c_str())) return -1;
    return elapsed_ms(start);
}

// A save as the program makes one: its own keys set again, then the file written.
double save_ms(const std::string& path) {
    Clock::time_point start = Clock::now();
    for (const auto& pair : program_keys) {
        if (!set_setting(pair[0], pair[1])) return -1;
    }
    if (!save_settings_file(path.c_str())) return -1;
    return elapsed_ms(start);
}

// The store's array grown by 32 slots at a time to `count` pairs, alone.
double growth_ms(int count) {
    Clock::time_point start = Clock::now();
    void* block = nullptr;
    for (int capacity = 32; capacity - 32 < count; capacity += 32) {
        void* grown = std::realloc(block, sizeof(Setting) * static_cast<std::size_t>(capacity));
        if (!grown) {
            std::free(block);
            return -1;
        }
        block = grown;
        static_cast<Setting*>(block)[capacity - 1].key = nullptr;
    }
    std::free(block);
    return elapsed_ms(start);
}

struct Figures {
    int keys;
    double load, read, save, write, growth;
};

bool measure(const std::filesystem::path& folder, int foreign_keys, int rounds, Figures& figures) {
    const std::vector<std::string> lines = settings_lines(foreign_keys);
    const std::string path = (folder / ("settings-" + std::to_string(foreign_keys) + ".cfg")).string();
    std::vector<double> load, read, save, write, growth;
    for (int round = 0; round < rounds; ++round) {
        // Every round starts from the same file, and times the floor first.
        if (!write_lines(path, lines)) return false;
        read.push_back(read_lines_ms(path));
        write.push_back(write_lines_ms(path, lines));
        load.push_back(load_ms(path));
        if (settings_store.pair_count != static_cast<std::int32_t>(lines.size())) return false;
        save.push_back(save_ms(path));
        growth.push_back(growth_ms(static_cast<int>(lines.size())));
        clear_settings();
        for (const auto* times : {&load, &read, &save, &write, &growth}) {
            if (times->back() < 0) return false;
        }
    }
    figures = {static_cast<int>(lines.size()),
               median(load),
               median(read),
               median(save),
               median(write),
               median(growth)};
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;
    std::error_code error;
    const std::filesystem::path folder = std::filesystem::temp_directory_path(error) /
                                         ("mivrel-settings-bench-" + std::to_string(current_process_id()));
    if (error || !std::filesystem::create_directories(folder, error)) {
        std::fprintf(stderr, "settings_bench: no scratch folder\n");
        return 1;
    }
    Figures small{}, large{};
    const bool measured = measure(folder, 10000, rounds, small) && measure(folder, 80000, rounds, large);
    std::filesystem::remove_all(folder, error);
    if (!measured) {
        std::fprintf(stderr, "settings_bench: a load or save failed\n");
        return 1;
    }

    std::printf("settings file load and save, median of %d rounds (ms)\n", rounds);
    std::printf("%7s  %9s %9s %7s  %9s %9s %7s  %12s\n", "keys", "load", "fgets", "ratio", "save", "write",
                "ratio", "growth by 32");
    for (const Figures& f : {small, large}) {
        std::printf("%7d  %9.2f %9.2f %7.1f  %9.2f %9.2f %7.1f  %12.2f\n", f.keys, f.load, f.read,
                    f.load / f.read, f.save, f.write, f.save / f.write, f.growth);
    }
    std::printf(
        "80k/10k: load %.1f (fgets %.1f), save %.1f (write %.1f), growth %.1f"
        "   [8 in proportion, 64 in the square]\n",
        large.load / small.load, large.read / small.read, large.save / small.save, large.write / small.write,
        large.growth / small.growth);
    return 0;
}
