// The counting and its two files against a simulated machine: adapters that
// come, go, swap places, change names, reset and step back for a moment, on
// links of known and unknown speed; a clock that crosses midnight and month
// ends, goes back and jumps; and a program that ticks, saves, sleeps, ends, is
// killed (also between and inside its writes), meets held files, restarts and
// reboots. A household router beside them carries traffic whether the program
// runs or not, on 32-bit or 64-bit counters that wrap, restart with it or are
// made anew, with an uptime that restarts at every reconnect; it falls silent,
// and another router answers at its address now and then. The model knows what
// the adapters and the router truly carried and which reading saw it, never
// how the program counts. After every reading, and at the last start from the
// files: no name on no date holds more than readings on that date could see of
// it (nothing counted twice), and the adapters' counts together, and the
// router's, fall short of what the readings saw by no more than the README's
// allowances for the events the sequence ran.
//
// MIVREL_USAGE_SEED=n replays one sequence (MIVREL_USAGE_TRACE=1 prints its
// steps); MIVREL_USAGE_SECONDS=s runs fresh seeds for that long
// (scripts/fuzz-usage).
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
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
#include "monitor/router_count.h"
#include "monitor/usage_count.h"
#include "settings/router_keeping.h"
#include "settings/save_worker.h"
#include "settings/settings_file.h"
#include "settings/usage_file.h"
#include "settings/usage_keeping.h"
#include "settings_fixture.h"

namespace {

using Pair = std::array<std::uint64_t, 2>;  // received, sent
using PerNameDate = std::map<std::pair<std::string, DayNumber>, Pair>;

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
    appear,     // a new adapter of description `a`, counters at `n`, a link of `speed_bps` (0: not known)
    vanish,     // adapter `a` leaves the table
    back,       // adapter `a` comes back, its counters gone on
    swap,       // adapters `a` and `a + 1` trade places in the table
    rename,     // adapter `a` takes description `n`
    reset,      // adapter `a`'s counters go back to 0
    clock,      // the wall clock moves by `n` seconds
    glitch,     // adapter `a`'s next reading shows its counters a little below the last (`n` says how far)
    router,  // the router comes: SNMP (`a` & 1), 64-bit (& 2), chosen by address alone (& 4), counters at `n`
    r_traffic,    // `n` bytes at 1 Gbit/s (less at its speed) wait to be received, and a third of it sent
    r_restart,    // it restarts: counters from 0, its uptime from when it has booted
    r_remake,     // SNMP: its WAN interface is made anew, the discontinuity time says so
    r_reconnect,  // UPnP: its uptime restarts, the counters go on
    r_silent,     // it answers none of the next `n` polls
    r_other,      // another router answers the next `n` polls at its address
};

struct Step {
    Ev event;
    int a;
    std::int64_t n;
    std::uint64_t speed_bps = 0;
};

const char* const descriptions[] = {"Intel(R) Ethernet", "Intel(R) Ethernet", "Wi-Fi",
                                    "=cmd|,\"x\"",       "Loopback",          "VPN"};

// A place in everything an adapter ever carried, each way: what its counters
// hold is that less where they last started from 0.
struct SimAdapter {
    std::uint64_t luid;
    std::string description;
    bool hardware;
    bool present;
    std::uint64_t speed_bps;
    Pair carried;
    Pair start;            // carried when its counters last started from 0
    int epoch;             // how many times they did
    Pair boot_start;       // start when the system last started
    Pair seen_at_reset;    // seen when they last started from 0
    Pair reset_peak;       // the highest count a reset ever took from them
    Pair seen;             // up to where the readings saw
    Pair own_from;         // from where the next reading's bytes are its own
    std::uint64_t glitch;  // how far its next reading falls short, as a seed; 0: it does not
};

// Where a reading left an identity in the program's eyes: its counters then,
// the place they stood for, when, and in which run of them from 0.
struct Base {
    Pair counter;
    Pair place;
    std::int64_t ms;
    int epoch;
};

// The router's reading that the program counts from, in the model's eyes:
// where its link stood, what it showed, and when.
struct RouterMark {
    bool known = false;
    Pair place{}, shown{};
    std::int64_t real_s = 0;
    int counter_epoch = 0, uptime_epoch = 0;
    bool untimed = false;  // kept through a start taken for another boot
};

// What the files give at a start: the bases and the boot of the snapshot the
// last completed usage.cfg was written from, and the model's totals then.
struct Checkpoint {
    RouterMark router_base;
    Pair router_due{}, router_allowance{};
    std::map<std::uint64_t, Base> bases;
    Pair due{};
    Pair allowance{};
    Pair pending{};
    std::int64_t start_s = 0;
    bool exists = false;
};

// Its counters hold what its WAN link carried since they last started from 0
// (32-bit ones modulo 2^32); it boots 2 s after they do, and its uptime counts
// from then. A link of unknown speed carries a gigabit a second at most.
struct SimRouter {
    bool present = false, snmp = false, wide = false, answered = false, check = true, held = false;
    std::uint64_t speed_bps = 0;
    Pair carried{}, restart_place{}, offset{};
    std::int64_t up_since_s = 0, booted_s = 0;
    std::uint64_t discontinuity_cs = 0, waiting = 0;
    int counter_epoch = 0, uptime_epoch = 0, silent = 0, other = 0;
    RouterMark base;
    Pair seen{}, own_from{}, due{}, allowance{};
};

struct Sim {
    SimRouter router;
    std::int64_t real_s = 0;
    std::vector<SimAdapter> adapters;  // in the table's order
    std::uint64_t next_luid = 0x100000001;
    std::int64_t wall_s = 0, uptime_s = 0, mono_ns = 0;
    bool running = false;
    // The model: what each name's readings on each date could see, everything
    // the readings saw, and what the allowances let go of it.
    PerNameDate could_see;
    Pair due{};
    Pair allowance{};
    std::map<std::uint64_t, Base> bases;  // the identities the running program knows
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
};

Sim* sim = nullptr;

std::uint64_t above(std::uint64_t a, std::uint64_t b) {
    return a > b ? a - b : 0;
}

// What a link of `speed_bps` carries in `ms`.
std::uint64_t carries(std::uint64_t speed_bps, std::int64_t ms) {
    return ms <= 0 ? 0 : speed_bps / 8 * static_cast<std::uint64_t>(ms) / 1000;
}

constexpr std::int64_t glitch_limit_ms = 10'000;

Pair counters_of(const SimAdapter& a) {
    return {a.carried[0] - a.start[0], a.carried[1] - a.start[1]};
}

// A glitch: the counters shown below those of the program's base, by no more
// than the link carries in the time since and in 10 s. Nothing when there is
// no such room, or no base in the same run of the counters.
bool glitched(const SimAdapter& a, const Base* base, std::int64_t now_ms, Pair* shown) {
    if (!a.glitch || !base || base->ms < 0 || base->epoch != a.epoch) return false;
    const std::uint64_t room = carries(a.speed_bps, std::min(now_ms - base->ms, glitch_limit_ms));
    const std::uint64_t back = room ? 1 + a.glitch % room : 0;
    if (back == 0 || base->counter[0] < back) return false;
    *shown = {base->counter[0] - back, base->counter[1] - std::min(base->counter[1], back / 3)};
    return true;
}

// The README's allowances for counters that started from 0 since the base:
// what the readings saw before, beyond the base; and, unless the step back
// could be told for a reset (a link of known speed, counters holding no more
// than it carried since the base and at least 10 s of it less than the base),
// what they hold now, or up to the count before the reset, when that is within
// 10 s of what they hold now. Gives the directions that could not be told.
std::array<bool, 2> reset_allowance(const SimAdapter& a, const Base& base, const Pair& shown,
                                    std::int64_t now_ms) {
    std::array<bool, 2> untold{};
    const std::uint64_t since = carries(a.speed_bps, now_ms - base.ms);
    const std::uint64_t ten_seconds = carries(a.speed_bps, glitch_limit_ms);
    for (int d : {0, 1}) {
        sim->allowance[d] += above(a.seen_at_reset[d], base.place[d]);
        const bool told =
            a.speed_bps && base.ms >= 0 && shown[d] <= since && base.counter[d] > shown[d] + ten_seconds;
        if (told) continue;
        untold[d] = true;
        sim->allowance[d] += std::max(shown[d], std::min(a.reset_peak[d], shown[d] + ten_seconds));
    }
    return untold;
}

// One reading of adapter `a` under `name`: what it shows, and what the model learns.
void model_row(SimAdapter& a, const char* name, DayNumber today, std::int64_t now_ms, InterfaceCounts& row) {
    const auto known = sim->bases.find(a.luid);
    const Base* base = known == sim->bases.end() ? nullptr : &known->second;
    Pair shown = counters_of(a);
    const bool glitch = glitched(a, base, now_ms, &shown);
    a.glitch = 0;
    row.received = shown[0];
    row.sent = shown[1];
    row.receive_bps = row.transmit_bps = a.speed_bps;
    const Pair place = {a.start[0] + shown[0], a.start[1] + shown[1]};
    Pair newly{};
    for (int d : {0, 1}) {
        newly[d] = above(place[d], a.seen[d]);
        a.seen[d] = std::max(a.seen[d], place[d]);
        sim->due[d] += newly[d];
    }
    if (sim->first && !sim->same_boot) {
        // The first reading of a run in another boot: a base, nothing counted.
        for (int d : {0, 1}) sim->allowance[d] += newly[d];
        sim->bases[a.luid] = {shown, place, now_ms, a.epoch};
        a.own_from = place;
        return;
    }
    std::array<bool, 2> untold{};
    if (base && base->epoch != a.epoch) untold = reset_allowance(a, *base, shown, now_ms);
    // Unknown to the program, though seen in this boot before its counters
    // started from 0: what was seen of it then is not in the files.
    if (!base)
        for (int d : {0, 1}) sim->allowance[d] += above(a.seen_at_reset[d], a.boot_start[d]);
    Pair& own = sim->could_see[{name, today}];
    for (int d : {0, 1}) {
        own[d] += above(place[d], std::max(a.own_from[d], a.start[d]));
        // A reset that could not be told may be counted at a later reading.
        a.own_from[d] = untold[d] ? a.start[d] : std::max(a.own_from[d], place[d]);
    }
    if (!glitch) sim->bases[a.luid] = {shown, place, now_ms, a.epoch};
}

bool sim_read(InterfaceTable* table) {
    table->count = 0;
    std::vector<SimAdapter*> listed;
    for (SimAdapter& adapter : sim->adapters) {
        if (!adapter.present) continue;
        InterfaceCounts& row = table->rows[table->count++];
        row = {};
        std::snprintf(row.description, sizeof row.description, "%s", adapter.description.c_str());
        row.key = adapter.luid;
        row.hardware = adapter.hardware;
        listed.push_back(&adapter);
    }
    static char names[max_interfaces][instance_name_size];
    name_rows(*table, names);
    const DayNumber today = static_cast<DayNumber>(sim->wall_s / 86400);
    for (int i = 0; i < table->count; ++i)
        model_row(*listed[static_cast<std::size_t>(i)], names[i], today, sim->uptime_s * 1000,
                  table->rows[i]);
    sim->first = false;
    sim->start_seen_s = sim->wall_s - sim->uptime_s;
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

// What the program has yet to count again from its bases, at its next
// reading of each adapter: seen by a run that ended before saving, or hidden
// by a glitch since.
Pair recount_pending() {
    Pair pending{};
    for (const SimAdapter& a : sim->adapters) {
        const auto base = sim->bases.find(a.luid);
        for (int d : {0, 1})
            pending[d] +=
                above(a.seen[d], base == sim->bases.end() ? a.boot_start[d] : base->second.place[d]);
    }
    return pending;
}

Checkpoint checkpoint() {
    return {sim->router.base, sim->router.due,   sim->router.allowance, sim->bases, sim->due,
            sim->allowance,   recount_pending(), sim->start_seen_s,     true};
}

Pair router_counters() {
    const SimRouter& r = sim->router;
    Pair counters{};
    for (int d : {0, 1}) {
        counters[d] = r.offset[d] + r.carried[d] - r.restart_place[d];
        if (!r.wide) counters[d] &= 0xFFFFFFFF;
    }
    return counters;
}

// What the readings since the program's base let go: the bytes before a
// restart of the counters, and their old value when they passed it again; at a
// reconnect, a wrap; on 32-bit counters, all after one wrap's time (30 s at an
// unknown speed); from a base kept through a start taken for another boot,
// all.
void model_router_reading(const Pair& shown, DayNumber today) {
    SimRouter& r = sim->router;
    for (int d : {0, 1}) {
        const std::uint64_t newly = above(r.carried[d], r.seen[d]);
        r.seen[d] = std::max(r.seen[d], r.carried[d]);
        r.due[d] += newly;
        if (!r.base.known) r.allowance[d] += newly;
    }
    const RouterMark& base = r.base;
    const std::int64_t ms = (sim->real_s - base.real_s + 1) * 1000;
    const bool wrap_time = !r.wide && (r.speed_bps ? carries(r.speed_bps, ms) >= 0xFFFFFFFF : ms >= 29'000);
    Pair& own = sim->could_see[{router_choice.name, today}];
    for (int d : {0, 1}) {
        if (!base.known) break;
        const std::uint64_t interval = above(r.carried[d], base.place[d]);
        std::uint64_t lost = 0;
        if (r.counter_epoch != base.counter_epoch)
            lost = above(r.restart_place[d], base.place[d]) + (shown[d] >= base.shown[d] ? base.shown[d] : 0);
        else if (r.uptime_epoch != base.uptime_epoch && shown[d] < base.shown[d])
            lost = interval;
        if (wrap_time || base.untimed) lost = interval;
        r.allowance[d] += std::min(lost, interval);
        own[d] += above(r.carried[d], r.own_from[d]);
    }
    r.own_from = r.carried;
    r.base = {true, r.carried, shown, sim->real_s, r.counter_epoch, r.uptime_epoch};
}

// One poll, as the router's thread makes it.
void poll_router() {
    SimRouter& r = sim->router;
    if (!r.present) return;
    RouterReading reading{};
    reading.taken_ns = sim->mono_ns;
    reading.taken_wall_s = sim->wall_s;
    reading.uptime_known = true;
    reading.uptime_cs =
        100 * static_cast<std::uint64_t>(std::max<std::int64_t>(0, sim->real_s - r.up_since_s));
    reading.discontinuity_known = r.snmp;
    reading.discontinuity_cs = r.discontinuity_cs;
    reading.link_down_bps = reading.link_up_bps = r.speed_bps;
    const Pair shown = router_counters();
    // Booting, it answers nothing.
    const bool home = r.silent == 0 && r.other == 0 && sim->real_s >= r.booted_s;
    if (!home && r.other == 0) {
        r.silent -= r.silent > 0;
        reading.problem = RouterProblem::address_silent;
    } else if (r.other > 0) {
        reading.problem = --r.other % 2 ? RouterProblem::other_router : RouterProblem::none;
        std::snprintf(reading.identity, sizeof reading.identity, "uuid:other");
        reading.received = reading.sent = static_cast<std::uint64_t>(sim->mono_ns);
    } else {
        std::snprintf(
            reading.identity, sizeof reading.identity, "%s",
            r.snmp ? "10.77.1.1 02:00:00:77:00:01" : "uuid:home urn:upnp-org:serviceId:WANCommonIFC1");
        std::snprintf(reading.friendly_name, sizeof reading.friendly_name, "%s",
                      r.snmp ? "wan0" : "home router");
        reading.received = shown[0];
        reading.sent = shown[1];
        reading.wide_counters = r.wide && r.snmp;
        reading.identity_checked = r.check;
    }
    r.held |= keep_router_reading(reading).check_identity;
    // After a silence or another router's answer, the identity is checked again.
    r.check = !home;
    if (!home) return;
    r.answered = true;
    model_router_reading(shown, static_cast<DayNumber>(sim->wall_s / 86400));
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
    // The program goes on from the files. In the same boot their bases let it
    // count again what it saw since; otherwise that is gone, and only bases
    // read no later in a boot than now stay, as if read now.
    sim->bases = files.bases;
    for (auto base = sim->bases.begin(); !sim->same_boot && base != sim->bases.end();) {
        const bool kept = base->second.ms <= sim->uptime_s * 1000;
        base->second.ms = sim->uptime_s * 1000;
        base = kept ? std::next(base) : sim->bases.erase(base);
    }
    for (int d : {0, 1}) {
        sim->allowance[d] = files.allowance[d];
        if (!sim->same_boot) sim->allowance[d] += files.pending[d] + sim->due[d] - files.due[d];
    }
    for (SimAdapter& a : sim->adapters) {
        const auto base = sim->bases.find(a.luid);
        a.own_from = base == sim->bases.end() ? a.start : base->second.place;
    }
    // The router's base outlives a boot, though not the time it was read;
    // without one, what the readings saw since the files were written is gone.
    SimRouter& r = sim->router;
    r.base = files.router_base;
    r.base.untimed |= !sim->same_boot;
    r.allowance = files.router_allowance;
    r.own_from = r.base.place;
    for (int d : {0, 1}) r.allowance[d] += r.base.known ? 0 : r.due[d] - files.router_due[d];
    r.check = true;
    sim->first = true;
    hold_saves(true);
    program([] { load_usage(); });
    program(poll_router);
    sim->running = true;
    sim->clean_run = sim->usage_held == 0 && sim->history_held == 0;
}

// Once the worker has written what it was given, a kill in this boot loses
// nothing: the files know every identity the run has seen, and its boot.
std::string unsaved_bases() {
    if (!sim->clean_run || !sim->running) return "";
    std::string missing;
    for (const auto& known : sim->bases) {
        if (!sim->durable.bases.count(known.first))
            missing += "no base kept for identity " + std::to_string(known.first) + "\n";
    }
    if (sim->router.base.known && !sim->durable.router_base.known) missing += "no base kept for the router\n";
    const std::int64_t apart = sim->durable.start_s - sim->start_seen_s;
    if (apart > same_boot_tolerance_s || apart < -same_boot_tolerance_s)
        missing += "the clock's move not kept\n";
    return missing;
}

// The router's link carries what waits for it, at its speed at most.
void pass_real_time(std::int64_t seconds) {
    SimRouter& r = sim->router;
    const std::uint64_t bytes =
        std::min(r.waiting, carries(r.speed_bps ? r.speed_bps : 1'000'000'000, seconds * 1000));
    r.carried[0] += bytes;
    r.carried[1] += bytes / 3;
    r.waiting -= bytes;
    sim->real_s += seconds;
}

void pass_time(std::int64_t seconds) {
    pass_real_time(seconds);
    sim->wall_s += seconds;
    sim->uptime_s += seconds;
    sim->mono_ns += seconds * 1'000'000'000;
}

std::string pair_text(const Pair& counts) {
    return std::to_string(counts[0]) + "/" + std::to_string(counts[1]);
}

// The program's counts against the bounds: each name's on each date, and all together.
std::string out_of_bounds() {
    std::string wrong;
    Pair total{}, router_total{};
    for (const UsageDay& row : usage_count.days) {
        const std::string name = usage_count.adapters[static_cast<std::size_t>(row.adapter)].name;
        const Pair counted = {row.received, row.sent};
        const auto seen = sim->could_see.find({name, row.day});
        const Pair could = seen == sim->could_see.end() ? Pair{} : seen->second;
        char date[11];
        format_iso_date(date, row.day);
        if (counted[0] > could[0] || counted[1] > could[1])
            wrong += std::string("counted ") + date + " " + name + " " + pair_text(counted) +
                     ", more than its readings could see: " + pair_text(could) + "\n";
        for (int d : {0, 1})
            (same_text(name.c_str(), router_choice.name) ? router_total : total)[d] += counted[d];
    }
    const SimRouter& r = sim->router;
    for (int d : {0, 1}) {
        const std::uint64_t pending = r.base.known ? above(r.seen[d], r.base.place[d]) : 0;
        if (router_total[d] > r.due[d] || r.due[d] - router_total[d] > r.allowance[d] + pending) {
            wrong += "router counted " + pair_text(router_total) + " of " + pair_text(r.due) +
                     " seen, allowed to lose " + pair_text(r.allowance) + "\n";
            break;
        }
    }
    if (r.held) wrong += "a router's reading held, though its link could carry what it grew\n";
    const Pair pending = recount_pending();
    for (int d : {0, 1}) {
        if (total[d] > sim->due[d] || sim->due[d] - total[d] > sim->allowance[d] + pending[d]) {
            wrong += "counted " + pair_text(total) + " of " + pair_text(sim->due) +
                     " seen, allowed to lose " + pair_text(sim->allowance) + "\n";
            break;
        }
    }
    return wrong;
}

// Every adapter's counters start again from 0.
void reset_counters(SimAdapter& a) {
    const Pair counters = counters_of(a);
    for (int d : {0, 1}) a.reset_peak[d] = std::max(a.reset_peak[d], counters[d]);
    a.seen_at_reset = a.seen;
    a.seen = a.start = a.carried;
    ++a.epoch;
    a.glitch = 0;
}

// The router as the user chose it, given by its address alone or whole.
void start_router(const Step& step) {
    SimRouter& r = sim->router;
    r = {};
    r.present = true;
    r.snmp = step.a & 1;
    r.wide = step.a & 2;
    r.speed_bps = step.speed_bps;
    r.offset = {static_cast<std::uint64_t>(step.n), static_cast<std::uint64_t>(step.n) / 3};
    r.up_since_s = sim->real_s - 86400;
    router_choice = {};
    router_choice.source = r.snmp ? RouterSource::snmp : RouterSource::upnp;
    std::snprintf(router_choice.snmp_host, sizeof router_choice.snmp_host, "10.77.1.1");
    if (step.a & 4) return;
    std::snprintf(router_choice.identity, sizeof router_choice.identity, "%s",
                  r.snmp ? "10.77.1.1 02:00:00:77:00:01" : "uuid:home urn:upnp-org:serviceId:WANCommonIFC1");
    std::snprintf(router_choice.name, sizeof router_choice.name, "Router: home");
}

void router_event(const Step& step) {
    SimRouter& r = sim->router;
    if (!r.present) return;
    const std::int64_t uptime_cs = 100 * (sim->real_s - r.up_since_s);
    switch (step.event) {
        case Ev::r_traffic:
            // As much of its link's 10 s as `n` is of a gigabit link's.
            r.waiting += carries(r.speed_bps ? r.speed_bps : 1'000'000'000, step.n / 125'000);
            break;
        case Ev::r_restart:
        case Ev::r_remake:
            if (step.event == Ev::r_remake && !r.snmp) break;
            ++r.counter_epoch;
            r.restart_place = r.carried;
            r.offset = {};
            if (step.event == Ev::r_remake) {
                r.discontinuity_cs = std::max<std::uint64_t>(uptime_cs, r.discontinuity_cs + 1);
                break;
            }
            r.discontinuity_cs = 0;
            [[fallthrough]];
        case Ev::r_reconnect:
            if (step.event == Ev::r_reconnect && r.snmp) break;
            ++r.uptime_epoch;
            // It boots for 2 s; a connection comes up once it has.
            if (step.event == Ev::r_restart) r.booted_s = sim->real_s + 2;
            r.up_since_s = std::max(r.booted_s, sim->real_s);
            break;
        case Ev::r_silent:
            r.silent = static_cast<int>(step.n);
            break;
        case Ev::r_other:
            if (r.answered) r.other = static_cast<int>(step.n);
            break;
        default:
            break;
    }
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
                a->carried[0] += static_cast<std::uint64_t>(step.n);
                a->carried[1] += static_cast<std::uint64_t>(step.n) / 3;
            }
            break;
        case Ev::tick:
            pass_time(10);
            if (sim->running) program([] { keep_usage(sim->mono_ns); });
            if (sim->running) program(poll_router);
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
            pass_real_time(300);
            sim->uptime_s = 0;
            sim->can_revert = false;
            for (SimAdapter& a : sim->adapters) {
                reset_counters(a);
                a.boot_start = a.start;
            }
            break;
        case Ev::appear:
            if (sim->adapters.size() < 8) {
                const std::uint64_t counters = static_cast<std::uint64_t>(step.n);
                sim->adapters.push_back({sim->next_luid++,
                                         descriptions[step.a % 6],
                                         step.a % 6 != 4,
                                         true,
                                         step.speed_bps,
                                         {counters, counters},
                                         {},
                                         0,
                                         {},
                                         {},
                                         {},
                                         {},
                                         {},
                                         0});
            }
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
            if (SimAdapter* a = adapter()) reset_counters(*a);
            break;
        case Ev::glitch:
            if (SimAdapter* a = adapter()) a->glitch = static_cast<std::uint64_t>(step.n);
            break;
        case Ev::clock:
            sim->wall_s += step.n;
            break;
        case Ev::router:
            start_router(step);
            break;
        default:
            router_event(step);
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
        router_choice = {};
        set_counter_backend(&sim_backend);
        read_local_date = [](char(&text)[11]) {
            format_iso_date(text, static_cast<DayNumber>(sim->wall_s / 86400));
        };
        read_system_start = [] { return sim->wall_s - sim->uptime_s; };
        read_uptime_ms = [] { return sim->uptime_s * 1000; };
        file_replacer = sim_replace;
        file_flusher = [](std::FILE*) { return true; };
    }
    ~Machine() {
        stop_program();
        hold_saves(false);
        set_counter_backend(nullptr);
        read_local_date = real_date;
        read_system_start = real_start;
        read_uptime_ms = real_uptime;
        file_replacer = replace_file;
        file_flusher = flush_file_to_disk;
        usage_count = {};
        router_choice = {};
        sim = nullptr;
        std::filesystem::remove_all(folder);
    }
    // Runs the steps, checking the counts in memory after each; at the end,
    // what the files give at the next start. Empty when all agree.
    std::string run(const std::vector<Step>& steps) {
        const bool trace = std::getenv("MIVREL_USAGE_TRACE") != nullptr;
        for (std::size_t i = 0; i < steps.size(); ++i) {
            apply(steps[i]);
            if (trace)
                std::printf("%zu: %d %d %lld wall %lld running %d\n", i, static_cast<int>(steps[i].event),
                            steps[i].a, static_cast<long long>(steps[i].n),
                            static_cast<long long>(sim->wall_s), sim->running);
            const std::string unsaved = steps[i].event == Ev::saves ? unsaved_bases() : "";
            if (!unsaved.empty()) return "after step " + std::to_string(i) + ":\n" + unsaved;
            // The counts change at readings only.
            const Ev event = steps[i].event;
            if (!sim->running || (event != Ev::tick && event != Ev::start && event != Ev::sleep)) continue;
            const std::string wrong = out_of_bounds();
            if (!wrong.empty()) return "after step " + std::to_string(i) + ":\n" + wrong;
        }
        apply({Ev::kill, 0, 0});
        apply({Ev::start, 0, 0});
        const std::string wrong = out_of_bounds();
        return wrong.empty() ? "" : "at the last start:\n" + wrong;
    }

    std::filesystem::path folder;
    Sim state;
    AppDataGuard app_data;
    LocalDateReader real_date = read_local_date;
    SystemStartReader real_start = read_system_start;
    UptimeReader real_uptime = read_uptime_ms;
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
    // Counters far past 32 bits, yet a few of them summed stay within 64.
    auto counters = [&] { return below(2) ? 0 : below(1LL << 56); };
    // Links of unknown speed, of 10 Mbit/s, 1 Gbit/s and 10 Gbit/s.
    auto speed = [&] {
        const std::uint64_t speeds[] = {0, 10'000'000, 1'000'000'000, 10'000'000'000};
        return speeds[below(4)];
    };
    std::vector<Step> steps;
    for (int i = 0; i < 3; ++i)
        steps.push_back({Ev::appear, static_cast<int>(below(6)), counters(), speed()});
    // The router's events come from a stream of their own, so that the
    // adapters' sequence of a seed stays what it was.
    std::mt19937_64 router_random(seed ^ 0x726f75746572);
    auto router_below = [&](std::int64_t n) {
        return static_cast<std::int64_t>(router_random() % static_cast<std::uint64_t>(n));
    };
    const int kind = static_cast<int>(router_below(8));
    const std::uint64_t router_speeds[] = {0, 10'000'000, 100'000'000, 1'000'000'000};
    steps.push_back({Ev::router, kind,
                     kind & 2 ? router_below(1LL << 50) : (1LL << 32) - router_below(1LL << 31) - 1,
                     router_speeds[router_below(4)]});
    auto router_step = [&] {
        const std::int64_t roll = router_below(100);
        if (roll < 50)
            return Step{Ev::r_traffic, 0,
                        router_below(4) ? router_below(1'300'000'000) : router_below(100'000)};
        const Ev events[] = {Ev::r_restart, Ev::r_remake, Ev::r_reconnect, Ev::r_silent, Ev::r_other};
        return Step{events[roll % 5], 0, 1 + router_below(5)};
    };
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
            const Ev adapter_events[] = {Ev::appear, Ev::vanish, Ev::back,   Ev::swap,
                                         Ev::rename, Ev::reset,  Ev::glitch, Ev::glitch};
            step.event = adapter_events[below(8)];
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
                step.n = counters();
                step.speed_bps = speed();
                break;
            case Ev::glitch:
                step.n = 1 + below(1LL << 40);
                break;
            default:
                break;
        }
        for (std::int64_t n = router_below(3); n > 0; --n) {
            const Step next = router_step();
            if (next.event == Ev::r_traffic || router_below(8) == 0) steps.push_back(next);
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
        {"an adapter away at starts taken for another boot (the clock set) counts nothing twice when back",
         {{Ev::appear, 0, 0},
          {Ev::appear, 2, 0},
          {Ev::start, 0, 0},
          {Ev::traffic, wifi, 5000},
          {Ev::tick, 0, 0},
          {Ev::tick, 0, 0},
          {Ev::vanish, wifi, 0},
          {Ev::exit, 0, 0},
          {Ev::clock, 0, 2 * 3600},
          {Ev::start, 0, 0},
          {Ev::exit, 0, 0},
          {Ev::clock, 0, 2 * 3600},
          {Ev::start, 0, 0},
          {Ev::back, wifi, 0},
          {Ev::traffic, wifi, 300},
          {Ev::tick, 0, 0},
          {Ev::exit, 0, 0}},
         "Wi-Fi",
         "2026-01-31",
         300},
        {"a 10 GB counter stepping back 1,000 bytes for a moment counts nothing twice",
         {{Ev::appear, 0, 10'000'000'000, 1'000'000'000},
          {Ev::start, 0, 0},
          {Ev::traffic, eth, 300},
          {Ev::tick, 0, 0},
          {Ev::glitch, eth, 999},
          {Ev::traffic, eth, 200},
          {Ev::tick, 0, 0},
          {Ev::traffic, eth, 500},
          {Ev::tick, 0, 0},
          {Ev::exit, 0, 0}},
         "Intel[R] Ethernet",
         "2026-01-30",
         1000},
        {"a reset on a 1 Gbit/s link while closed counts what the counters hold since",
         {{Ev::appear, 0, 10'000'000'000, 1'000'000'000},
          {Ev::start, 0, 0},
          {Ev::traffic, eth, 300},
          {Ev::tick, 0, 0},
          {Ev::exit, 0, 0},
          {Ev::reset, eth, 0},
          {Ev::traffic, eth, 700},
          {Ev::tick, 0, 0},
          {Ev::start, 0, 0},
          {Ev::exit, 0, 0}},
         "Intel[R] Ethernet",
         "2026-01-30",
         1000},
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
    std::printf("seeds from %llu on; MIVREL_USAGE_SEED=n replays one\n",
                static_cast<unsigned long long>(seed));
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
