// The counting and its two files against a simulated machine: adapters that
// come, go, swap places, change names and reset; a clock that crosses midnight
// and month ends, goes back and jumps; and a program that ticks, saves, sleeps,
// ends, is killed (also between and inside its writes), meets held files,
// restarts and reboots. After every step the counts in memory, and at every
// start what the files give, equal the model's: each byte the adapters carried
// on the date and under the name of the reading that first saw it, less only
// what the README's allowances let go.
//
// MIVREL_USAGE_SEED=n replays one sequence (MIVREL_USAGE_TRACE=1 prints its
// steps); MIVREL_USAGE_SECONDS=s runs fresh seeds for that long
// (scripts/fuzz-usage).
#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <map>
#include <random>
#include <string>
#include <vector>

#include <unistd.h>

#include "monitor/clock.h"
#include "monitor/counter_source.h"
#include "monitor/usage_count.h"
#include "settings/save_worker.h"
#include "settings/settings_file.h"
#include "settings/usage_file.h"
#include "settings/usage_keeping.h"
#include "settings_fixture.h"

namespace {

using Counts = std::pair<std::uint64_t, std::uint64_t>;
using Expected = std::map<std::pair<std::string, DayNumber>, Counts>;
using Seen = std::map<std::uint64_t, Counts>;

enum class Ev {
    traffic,    // adapter `a` carries `n` bytes received and n / 3 sent
    tick,       // 10 s pass, the program ticks
    saves,      // the worker writes what waits
    start,      // the program starts
    exit,       // the window closes, or (`a` = 1) the logon ends
    kill,       // the process ends where it stands
    die_in,     // the `a`-th replace from now never happens, nor anything after: a kill inside a save
    hold,       // another program holds usage.cfg (`a` = 0) or the history for the next `n` replaces
    sleep,      // suspend, the save done before (`a` = 1) or not, `n` seconds asleep, resume
    reboot,     // counters from 0, a new start time
    power_cut,  // the last completed replace is undone, then a reboot
    appear,     // a new adapter of description `a`
    vanish,     // adapter `a` leaves the table
    back,       // adapter `a` comes back, its counters gone on
    swap,       // adapters `a` and `a + 1` trade places in the table
    rename,     // adapter `a` takes description `n`
    reset,      // adapter `a`'s counters go back to 0
    clock,      // the wall clock moves by `n` seconds
};

struct Step {
    Ev event;
    int a;
    std::int64_t n;
};

const char* const descriptions[] = {"Intel(R) Ethernet", "Intel(R) Ethernet", "Wi-Fi",
                                    "=cmd|,\"x\"",       "Loopback",          "VPN"};

struct SimAdapter {
    std::uint64_t luid;
    std::string description;
    bool hardware;
    bool present;
    std::uint64_t received, sent;
};

// What the files must give at a start: the model's counts and bases at the
// snapshot the last completed usage.cfg was written from.
struct Checkpoint {
    Expected counts;
    Seen seen;
    std::int64_t start_s = 0;
    bool exists = false;
};

struct Sim {
    std::vector<SimAdapter> adapters;  // in the table's order
    std::uint64_t next_luid = 0x100000001;
    std::int64_t wall_s = 0, uptime_s = 0, mono_ns = 0;
    bool running = false;
    // The model of what the running program holds.
    Expected counts;
    Seen seen;
    bool first = false, same_boot = false;
    std::int64_t start_seen_s = 0;  // the system's start at the last reading
    // No save of this run was refused: the worker has written all it was given.
    bool clean_run = false;
    Checkpoint pending, durable, before_last;
    // The file seam.
    int replaces_until_death = 0;
    bool dead = false;
    int usage_held = 0, history_held = 0;
    int usage_replaces = 0;
    bool last_was_usage = false;
    std::string last_path, last_bytes;
    bool last_existed = false, can_revert = false;
    std::vector<std::string> log;
};

Sim* sim = nullptr;

std::uint64_t saturated(std::uint64_t a, std::uint64_t b) {
    return a > UINT64_MAX - b ? UINT64_MAX : a + b;
}

std::uint64_t growth(std::uint64_t now, std::uint64_t last, bool first) {
    return now >= last ? now - last : first ? 0 : now;
}

// Each reading the program takes is the model's too, by identity.
void model_reading(const InterfaceTable& table) {
    static char names[max_interfaces][instance_name_size];
    name_rows(table, names);
    const DayNumber today = static_cast<DayNumber>(sim->wall_s / 86400);
    for (int i = 0; i < table.count; ++i) {
        const InterfaceCounts& row = table.rows[i];
        Counts grown{0, 0};
        const auto base = sim->seen.find(row.key);
        if (base != sim->seen.end())
            grown = {growth(row.received, base->second.first, sim->first),
                     growth(row.sent, base->second.second, sim->first)};
        else if (!sim->first || sim->same_boot)
            grown = {row.received, row.sent};
        sim->seen[row.key] = {row.received, row.sent};
        if (grown.first == 0 && grown.second == 0) continue;
        Counts& counted = sim->counts[{names[i], today}];
        counted = {saturated(counted.first, grown.first), saturated(counted.second, grown.second)};
    }
    sim->first = false;
    sim->start_seen_s = sim->wall_s - sim->uptime_s;
}

bool sim_read(InterfaceTable* table) {
    table->count = 0;
    for (const SimAdapter& adapter : sim->adapters) {
        if (!adapter.present) continue;
        InterfaceCounts& row = table->rows[table->count++];
        std::snprintf(row.description, sizeof row.description, "%s", adapter.description.c_str());
        row.key = adapter.luid;
        row.received = adapter.received;
        row.sent = adapter.sent;
        row.hardware = adapter.hardware;
    }
    model_reading(*table);
    return true;
}

std::int64_t sim_now_ns() {
    return sim->mono_ns;
}

const CounterBackend sim_backend = {sim_read, nullptr, 0, sim_now_ns, nullptr};

bool ends_with(const char* text, const char* end) {
    const std::string s = text;
    return s.size() >= std::strlen(end) &&
           s.compare(s.size() - std::strlen(end), std::string::npos, end) == 0;
}

ReplaceResult sim_replace(const char* from, const char* to) {
    if (sim->dead || (sim->replaces_until_death > 0 && --sim->replaces_until_death == 0)) {
        sim->dead = true;
        return ReplaceResult::failed;
    }
    const bool usage = ends_with(to, usage_file_name);
    int& held = usage ? sim->usage_held : sim->history_held;
    if (held > 0) {
        --held;
        return ReplaceResult::failed;
    }
    sim->last_bytes.clear();
    std::FILE* old = std::fopen(to, "rb");
    sim->last_existed = old != nullptr;
    if (old) {
        char block[4096];
        for (std::size_t got; (got = std::fread(block, 1, sizeof block, old)) > 0;)
            sim->last_bytes.append(block, got);
        std::fclose(old);
    }
    const ReplaceResult result = replace_file(from, to);
    if (result != ReplaceResult::replaced) return result;
    sim->last_path = to;
    sim->last_was_usage = usage;
    sim->can_revert = true;
    sim->usage_replaces += usage ? 1 : 0;
    return result;
}

Checkpoint checkpoint() {
    return {sim->counts, sim->seen, sim->wall_s - sim->uptime_s, true};
}

// Runs one action of the program: a usage snapshot it queues is the model's
// now; a usage.cfg it completes makes the queued one what the files give.
template <typename Action>
void program(Action action) {
    const std::uint64_t queued = saves_queued(SaveSlot::usage);
    const int replaced = sim->usage_replaces;
    action();
    if (saves_queued(SaveSlot::usage) != queued) sim->pending = checkpoint();
    if (sim->usage_replaces != replaced) {
        sim->before_last = sim->durable;
        sim->durable = sim->pending;
    }
}

void stop_program() {
    stop_save_worker();
    sim->running = false;
    sim->dead = false;
    sim->replaces_until_death = 0;
}

void start_program() {
    const std::int64_t start = sim->wall_s - sim->uptime_s;
    const Checkpoint& files = sim->durable;
    // A boot is known by its start time, the wall clock less the time since:
    // a clock set while the program was not running makes another boot of it.
    sim->same_boot = files.exists && start - files.start_s <= same_boot_tolerance_s &&
                     files.start_s - start <= same_boot_tolerance_s;
    sim->counts = files.counts;
    sim->seen = sim->same_boot ? files.seen : Seen{};
    sim->first = true;
    hold_saves(true);
    program([] { load_usage(); });
    sim->running = true;
    sim->clean_run = sim->usage_held == 0 && sim->history_held == 0;
}

// Once the worker has written what it was given, a kill in this boot loses
// nothing: the files know every identity the run has seen, and its boot.
std::string unsaved_bases() {
    if (!sim->clean_run || !sim->running) return "";
    std::string missing;
    for (const auto& [luid, counts] : sim->seen) {
        if (!sim->durable.seen.count(luid))
            missing += "no base kept for identity " + std::to_string(luid) + "\n";
    }
    const std::int64_t apart = sim->durable.start_s - sim->start_seen_s;
    if (apart > same_boot_tolerance_s || apart < -same_boot_tolerance_s)
        missing += "the clock's move not kept\n";
    return missing;
}

void pass_time(std::int64_t seconds) {
    sim->wall_s += seconds;
    sim->uptime_s += seconds;
    sim->mono_ns += seconds * 1'000'000'000;
}

Expected in_memory() {
    Expected counted;
    for (const UsageDay& row : usage_count.days) {
        if (row.received == 0 && row.sent == 0) continue;
        counted[{usage_count.adapters[static_cast<std::size_t>(row.adapter)].name, row.day}] = {row.received,
                                                                                                row.sent};
    }
    return counted;
}

Expected without_zeros(Expected counts) {
    for (auto at = counts.begin(); at != counts.end();)
        at = at->second == Counts{0, 0} ? counts.erase(at) : std::next(at);
    return counts;
}

std::string differences(const Expected& expected, const Expected& counted) {
    std::string text;
    auto describe = [&](const char* what, const auto& entry) {
        char date[11];
        format_iso_date(date, entry.first.second);
        text += std::string(what) + " " + date + " " + entry.first.first + " " +
                std::to_string(entry.second.first) + "/" + std::to_string(entry.second.second) + "\n";
    };
    for (const auto& entry : expected) {
        const auto other = counted.find(entry.first);
        if (other == counted.end() || other->second != entry.second) describe("expected", entry);
        if (other != counted.end() && other->second != entry.second) describe("  counted", *other);
    }
    for (const auto& entry : counted) {
        if (!expected.count(entry.first)) describe("not expected", entry);
    }
    return text;
}

void apply(const Step& step) {
    auto adapter = [&]() -> SimAdapter* {
        return sim->adapters.empty()
                   ? nullptr
                   : &sim->adapters[static_cast<std::size_t>(step.a) % sim->adapters.size()];
    };
    switch (step.event) {
        case Ev::traffic:
            if (SimAdapter* a = adapter(); a && a->present) {
                a->received += static_cast<std::uint64_t>(step.n);
                a->sent += static_cast<std::uint64_t>(step.n) / 3;
            }
            break;
        case Ev::tick:
            pass_time(10);
            if (sim->running) program([] { keep_usage(sim->mono_ns); });
            break;
        case Ev::saves:
            if (sim->running) program([] { run_held_saves(); });
            break;
        case Ev::start:
            if (!sim->running) start_program();
            break;
        case Ev::exit:
            if (!sim->running) break;
            stop_save_worker();
            hold_saves(false);
            program([] { finish_usage(); });
            stop_program();
            break;
        case Ev::kill:
            stop_program();
            break;
        case Ev::die_in:
            if (!sim->running) break;
            sim->replaces_until_death = step.a;
            program([] { run_held_saves(); });
            stop_program();
            break;
        case Ev::hold:
            (step.a == 0 ? sim->usage_held : sim->history_held) = static_cast<int>(step.n);
            sim->clean_run = false;
            break;
        case Ev::sleep:
            if (!sim->running) break;
            program([] { suspend_usage(sim->mono_ns + suspend_patience_ns); });
            if (step.a == 1) program([] { run_held_saves(); });
            pass_time(step.n);
            program([] { resume_usage(sim->mono_ns); });
            break;
        case Ev::power_cut:
            if (sim->can_revert) {
                if (sim->last_existed)
                    write_file(sim->last_path, sim->last_bytes);
                else
                    std::filesystem::remove(sim->last_path);
                if (sim->last_was_usage) sim->durable = sim->before_last;
                sim->can_revert = false;
            }
            [[fallthrough]];
        case Ev::reboot:
            stop_program();
            sim->wall_s += 300;
            sim->uptime_s = 0;
            sim->can_revert = false;
            for (SimAdapter& a : sim->adapters) a.received = a.sent = 0;
            break;
        case Ev::appear:
            if (sim->adapters.size() < 8)
                sim->adapters.push_back({sim->next_luid++, descriptions[step.a % 6], step.a % 6 != 4, true,
                                         static_cast<std::uint64_t>(step.n),
                                         static_cast<std::uint64_t>(step.n)});
            break;
        case Ev::vanish:
        case Ev::back:
            if (SimAdapter* a = adapter()) a->present = step.event == Ev::back;
            break;
        case Ev::swap:
            if (sim->adapters.size() >= 2) {
                const std::size_t i = static_cast<std::size_t>(step.a) % (sim->adapters.size() - 1);
                std::swap(sim->adapters[i], sim->adapters[i + 1]);
            }
            break;
        case Ev::rename:
            if (SimAdapter* a = adapter()) a->description = descriptions[step.n % 6];
            break;
        case Ev::reset:
            if (SimAdapter* a = adapter()) a->received = a->sent = 0;
            break;
        case Ev::clock:
            sim->wall_s += step.n;
            break;
    }
}

// A fresh machine and empty folders; 2026-01-30 23:00 (UTC as local time).
struct Machine {
    explicit Machine(const std::filesystem::path& folder) : folder(folder) {
        std::filesystem::remove_all(folder);
        std::filesystem::create_directories(folder);
        // The program's separators are Windows': here they are part of the names.
        AppDataGuard::set("AppData", (folder / "AppData").string());
        state.wall_s = 1769814000;
        state.uptime_s = 600;
        state.mono_ns = 1'000'000'000'000;
        sim = &state;
        set_counter_backend(&sim_backend);
        read_local_date = [](char(&text)[11]) {
            format_iso_date(text, static_cast<DayNumber>(sim->wall_s / 86400));
        };
        read_system_start = [] { return sim->wall_s - sim->uptime_s; };
        file_replacer = sim_replace;
        file_flusher = [](std::FILE*) { return true; };
    }
    ~Machine() {
        stop_program();
        hold_saves(false);
        set_counter_backend(nullptr);
        read_local_date = real_date;
        read_system_start = real_start;
        file_replacer = replace_file;
        file_flusher = flush_file_to_disk;
        usage_count = {};
        sim = nullptr;
        std::filesystem::remove_all(folder);
    }
    // Runs the steps, checking the counts in memory after each; at the end,
    // what the files give at the next start. Empty when all agree.
    std::string run(const std::vector<Step>& steps) {
        for (std::size_t i = 0; i < steps.size(); ++i) {
            apply(steps[i]);
            if (std::getenv("MIVREL_USAGE_TRACE"))
                std::printf("%zu: %d %d %lld wall %lld running %d\n", i, static_cast<int>(steps[i].event),
                            steps[i].a, static_cast<long long>(steps[i].n),
                            static_cast<long long>(sim->wall_s), sim->running);
            const std::string unsaved = steps[i].event == Ev::saves ? unsaved_bases() : "";
            if (!unsaved.empty()) return "after step " + std::to_string(i) + ":\n" + unsaved;
            // The counts change at readings only.
            if (!sim->running || (steps[i].event != Ev::tick && steps[i].event != Ev::start)) continue;
            const std::string wrong = differences(without_zeros(sim->counts), in_memory());
            if (!wrong.empty()) return "after step " + std::to_string(i) + ":\n" + wrong;
        }
        apply({Ev::kill, 0, 0});
        apply({Ev::start, 0, 0});
        const std::string wrong = differences(without_zeros(sim->counts), in_memory());
        return wrong.empty() ? "" : "at the last start:\n" + wrong;
    }

    std::filesystem::path folder;
    Sim state;
    AppDataGuard app_data;
    LocalDateReader real_date = read_local_date;
    SystemStartReader real_start = read_system_start;
};

std::filesystem::path scratch_root() {
    const std::filesystem::path memory = "/dev/shm";
    std::error_code error;
    const auto root =
        (std::filesystem::is_directory(memory, error) ? memory : std::filesystem::current_path()) /
        ("mivrel-usage-model-" + std::to_string(::getpid()));
    return root;
}

std::vector<Step> random_steps(std::uint64_t seed) {
    std::mt19937_64 random(seed);
    auto below = [&](std::int64_t n) {
        return static_cast<std::int64_t>(random() % static_cast<std::uint64_t>(n));
    };
    std::vector<Step> steps;
    for (int i = 0; i < 3; ++i)
        steps.push_back({Ev::appear, static_cast<int>(below(6)), below(2) ? 0 : below(1LL << 62)});
    bool running = false;
    const int length = 150 + static_cast<int>(below(150));
    for (int i = 0; i < length; ++i) {
        for (int a = 0; a < 8; ++a) {
            if (below(3)) steps.push_back({Ev::traffic, a, below(8) ? below(100'000) : below(1LL << 40)});
        }
        const std::int64_t roll = below(1000);
        Step step{Ev::tick, static_cast<int>(below(8)), 0};
        if (!running) {
            step.event = roll < 600   ? Ev::start
                         : roll < 750 ? Ev::tick
                         : roll < 800 ? Ev::reboot
                         : roll < 900 ? Ev::clock
                                      : Ev::appear;
        } else if (roll < 550) {
            step.event = Ev::tick;
        } else if (roll < 700) {
            step.event = Ev::saves;
        } else if (roll < 760) {
            step.event = Ev::clock;
        } else if (roll < 860) {
            const Ev adapter_events[] = {Ev::appear, Ev::vanish, Ev::back, Ev::swap, Ev::rename, Ev::reset};
            step.event = adapter_events[below(6)];
        } else if (roll < 885) {
            step.event = Ev::exit;
            step.a = below(3) == 0;
        } else if (roll < 905) {
            step.event = Ev::kill;
        } else if (roll < 925) {
            step.event = Ev::die_in;
            step.a = 1 + static_cast<int>(below(2));
        } else if (roll < 950) {
            step.event = Ev::hold;
            step.a = static_cast<int>(below(2));
        } else if (roll < 975) {
            step.event = Ev::sleep;
            step.a = static_cast<int>(below(2));
        } else if (roll < 990) {
            step.event = Ev::reboot;
        } else {
            step.event = Ev::power_cut;
        }
        switch (step.event) {
            case Ev::clock: {
                // Across midnight either way by hours, by days either way.
                const std::int64_t moves[] = {3 * 3600, -3 * 3600, -2 * 86400, 3 * 86400, 40, -40};
                step.n = moves[below(6)];
                break;
            }
            case Ev::hold:
                step.n = 1 + below(4);
                break;
            case Ev::sleep:
                step.n = below(2) ? 600 : 9 * 3600;
                break;
            case Ev::rename:
                step.n = below(6);
                break;
            case Ev::appear:
                step.n = below(2) ? 0 : below(1LL << 62);
                break;
            default:
                break;
        }
        // Hours pass now and then, so that dates and months go by.
        if (step.event == Ev::tick && below(20) == 0) steps.push_back({Ev::clock, 0, 4 * 3600});
        steps.push_back(step);
        if (step.event == Ev::start) running = true;
        if (step.event == Ev::exit || step.event == Ev::kill || step.event == Ev::die_in ||
            step.event == Ev::reboot || step.event == Ev::power_cut)
            running = false;
    }
    return steps;
}

// Sequences the field reported, each losing or doubling counts before: what
// the files give at the next start, by the model and in bytes.
TEST(UsageModel, ReportedSequencesCountEveryByteOnce) {
    const int eth = 0, wifi = 1;
    const struct {
        const char* what;
        std::vector<Step> steps;
        const char* adapter;
        const char* date;
        std::uint64_t received;
    } cases[] = {
        {"the clock goes back across midnight: an idle adapter's earlier date stays",
         {{Ev::appear, 0, 0},
          {Ev::appear, 2, 0},
          {Ev::start, 0, 0},
          {Ev::traffic, wifi, 7000},
          {Ev::tick, 0, 0},
          {Ev::tick, 0, 0},
          {Ev::saves, 0, 0},
          {Ev::clock, 0, 3600},
          {Ev::traffic, eth, 300},
          {Ev::tick, 0, 0},
          {Ev::saves, 0, 0},
          {Ev::clock, 0, -7200},
          {Ev::traffic, eth, 30},
          {Ev::tick, 0, 0},
          {Ev::saves, 0, 0},
          {Ev::exit, 0, 0}},
         "Wi-Fi",
         "2026-01-30",
         7000},
        {"a kill between the two files' writes at midnight counts nothing twice",
         {{Ev::appear, 0, 0},
          {Ev::start, 0, 0},
          {Ev::saves, 0, 0},
          {Ev::traffic, eth, 1000},
          {Ev::tick, 0, 0},
          {Ev::tick, 0, 0},
          {Ev::clock, 0, 3590},
          {Ev::traffic, eth, 201},
          {Ev::tick, 0, 0},
          {Ev::die_in, 2, 0}},
         "Intel[R] Ethernet",
         "2026-01-31",
         201},
        {"a kill in the first seconds of a boot's first run loses nothing after its first reading",
         {{Ev::appear, 0, 0},
          {Ev::start, 0, 0},
          {Ev::saves, 0, 0},
          {Ev::traffic, eth, 1014000},
          {Ev::tick, 0, 0},
          {Ev::kill, 0, 0}},
         "Intel[R] Ethernet",
         "2026-01-30",
         1014000},
        {"two adapters of one description trading places recount nothing",
         {{Ev::appear, 0, 5'000'000'000},
          {Ev::appear, 1, 10},
          {Ev::start, 0, 0},
          {Ev::traffic, eth, 10},
          {Ev::swap, 0, 0},
          {Ev::traffic, 1, 10},
          {Ev::tick, 0, 0},
          {Ev::tick, 0, 0},
          {Ev::exit, 0, 0}},
         "Intel[R] Ethernet _2",
         "2026-01-30",
         20},
    };
    for (const auto& c : cases) {
        Machine machine(scratch_root());
        EXPECT_EQ(machine.run(c.steps), "") << c.what;
        DayNumber day = 0;
        ASSERT_TRUE(parse_iso_date(c.date, &day));
        EXPECT_EQ(usage_sum(usage_count, c.adapter, day, day).received, c.received) << c.what;
    }
}

TEST(UsageModel, RandomSequencesCountEveryByteOnce) {
    const char* replay = std::getenv("MIVREL_USAGE_SEED");
    const char* seconds = std::getenv("MIVREL_USAGE_SECONDS");
    const double budget = seconds ? std::atof(seconds) : 0;
    std::uint64_t seed = replay       ? std::strtoull(replay, nullptr, 10)
                         : budget > 0 ? std::random_device{}() * 0x100000000ull + std::random_device{}()
                                      : 1;
    const std::uint64_t count = replay ? 1 : budget > 0 ? UINT64_MAX : 2000;
    const auto began = std::chrono::steady_clock::now();
    auto elapsed = [&] {
        return std::chrono::duration<double>(std::chrono::steady_clock::now() - began).count();
    };
    std::uint64_t done = 0;
    for (; done < count && (budget <= 0 || elapsed() < budget); ++done, ++seed) {
        Machine machine(scratch_root());
        const std::string wrong = machine.run(random_steps(seed));
        if (!wrong.empty()) {
            ADD_FAILURE() << "seed " << seed << " (MIVREL_USAGE_SEED=" << seed << " replays it)\n" << wrong;
            break;
        }
    }
    std::printf("%llu sequences in %.1f s: %.0f a second\n", static_cast<unsigned long long>(done), elapsed(),
                done / elapsed());
}

}  // namespace
