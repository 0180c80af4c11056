// libFuzzer target: any bytes as usage.cfg (first byte even) or as
// usage-history.csv (odd) must load, save and reload to the same counts and
// counter bases (the router's too), and saving that again must give the same
// bytes.
#include <algorithm>
#include <cstdint>
#include <string>
#include <tuple>
#include <vector>

#include "monitor/usage_count.h"
#include "settings/settings_file.h"
#include "settings/usage_file.h"
#include "settings/usage_history_file.h"

#include "fuzz_support.h"

namespace {

using Row = std::tuple<std::string, DayNumber, bool, std::uint64_t, std::uint64_t>;
using Base = std::tuple<std::uint64_t, std::uint64_t, std::uint64_t, std::string>;

// The counts with traffic, and the rows kept uncounted, in no order: a
// date's rows follow the adapters' first appearance in memory. The history
// keeps the hardware flag too.
std::vector<Row> rows_of(const UsageCount& usage, bool with_hardware) {
    std::vector<Row> rows;
    for (const UsageDay& row : usage.days) {
        if (row.received == 0 && row.sent == 0) continue;
        rows.emplace_back(usage.adapters[static_cast<std::size_t>(row.adapter)].name, row.day,
                          with_hardware && row.hardware, row.received, row.sent);
    }
    for (const KeptHistoryRow& row : usage.kept) {
        if (row.received != 0 || row.sent != 0)
            rows.emplace_back("kept " + row.name, row.day, row.hardware, row.received, row.sent);
    }
    std::sort(rows.begin(), rows.end());
    return rows;
}

// In no order: the file lists them by adapter.
std::vector<Base> bases_of(const UsageCount& usage) {
    std::vector<Base> bases;
    for (const UsageCounter& counter : usage.counters)
        bases.emplace_back(counter.key, counter.received, counter.sent,
                           usage.adapters[static_cast<std::size_t>(counter.adapter)].name);
    std::sort(bases.begin(), bases.end());
    return bases;
}

std::tuple<bool, std::string, std::uint64_t, std::uint64_t, bool, bool, std::uint64_t, bool, std::uint64_t,
           std::int64_t>
router_of(const UsageCount& usage) {
    const RouterBase& base = usage.router.base;
    return {usage.router.known,    usage.router.identity, base.received,  base.sent,
            base.wide_counters,    base.uptime_known,     base.uptime_cs, base.discontinuity_known,
            base.discontinuity_cs, base.counted_uptime_ms};
}

// usage.cfg as a start reads it, and as the next save writes it.
std::string usage_text(UsageCount& usage, const UsageFileState& state) {
    usage.system_start_s = state.system_start_s;
    usage.today = day_number({2026, 3, 31});
    derive_usage_periods(usage, "eth0", "*");
    return usage_file_text(usage, state.plan);
}

void round_trip_usage_file(const std::string& input) {
    UsageCount first{};
    UsageFileState state{};
    if (!load_usage_file(input.c_str(), &first, &state, "eth0", "wlan0")) return;
    const std::string saved = scratch_folder() + "/usage.cfg";
    const std::string text = usage_text(first, state);
    check(save_text_atomically(saved.c_str(), text), "save failed");
    UsageCount again{};
    UsageFileState state_again{};
    check(load_usage_file(saved.c_str(), &again, &state_again, "other", "other"), "reload failed");
    check(rows_of(again, false) == rows_of(first, false), "reloaded counts differ");
    check(bases_of(again) == bases_of(first), "reloaded counter bases differ");
    check(router_of(again) == router_of(first), "reloaded router base differs");
    check(usage_text(again, state_again) == text, "second save differs");
}

void round_trip_history(const std::string& input) {
    UsageCount first{};
    if (read_usage_history(input.c_str(), &first) != HistoryRead::read) return;
    const std::string saved = scratch_folder() + "/history.csv";
    check(write_usage_history(saved.c_str(), first), "save failed");
    const std::string bytes = read_all(saved);
    UsageCount again{};
    check(read_usage_history(saved.c_str(), &again) == HistoryRead::read, "reload failed");
    check(rows_of(again, true) == rows_of(first, true), "reloaded counts differ");
    check(write_usage_history(saved.c_str(), again) && read_all(saved) == bytes, "second save differs");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    const std::string input = scratch_folder() + "/input";
    write_all(input, data + 1, size - 1);
    if (data[0] % 2 == 0)
        round_trip_usage_file(input);
    else
        round_trip_history(input);
    return 0;
}
