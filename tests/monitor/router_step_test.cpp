// What the router's readings count: growth, wraps of 32-bit counters, restarts
// told by the uptime or the discontinuity time, reconnects, growth beyond the
// link held for a check, and other routers' answers.
#include "monitor/router_count.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <vector>

namespace {

constexpr std::uint64_t gigabit = 1'000'000'000;
constexpr std::uint64_t two_32 = std::uint64_t{1} << 32;

struct Poll {
    std::int64_t at_s;
    std::uint64_t received, sent;
    std::uint64_t uptime_s = 0;  // 0: the uptime goes on from the first poll's 1000 s
    std::uint64_t speed_bps = gigabit;
    bool wide = false;
    std::uint64_t discontinuity_cs = 0;
    const char* identity = "uuid:a";
    RouterProblem problem = RouterProblem::none;
    bool checked = false;
};

// The last poll comes in the same run, in a later one of the same boot, or
// after the PC restarted.
enum class LastPoll { same, later, another_boot };

struct Outcome {
    std::uint64_t received, sent;
    bool check = false;  // an identity check asked for
};

RouterReading reading_of(const Poll& poll) {
    RouterReading reading{};
    reading.problem = poll.problem;
    reading.taken_ns = 5'000'000'000'000 + poll.at_s * 1'000'000'000;
    std::snprintf(reading.identity, sizeof reading.identity, "%s", poll.identity);
    reading.received = poll.received;
    reading.sent = poll.sent;
    reading.wide_counters = poll.wide;
    reading.uptime_known = reading.discontinuity_known = true;
    reading.uptime_cs = 100 * (poll.uptime_s ? poll.uptime_s : 1000 + static_cast<std::uint64_t>(poll.at_s));
    reading.discontinuity_cs = poll.discontinuity_cs;
    reading.link_down_bps = reading.link_up_bps = poll.speed_bps;
    reading.identity_checked = poll.checked;
    return reading;
}

TEST(RouterStep, EachReadingCountsWhatTheRouterCarriedSinceTheLastOnceOrNothing) {
    const std::uint64_t big = 5'000'000'000;
    const RouterProblem none = RouterProblem::none;
    const struct {
        const char* what;
        Outcome outcome;
        std::vector<Poll> polls;
        LastPoll last_poll = LastPoll::same;
    } cases[] = {
        {"growth", {1000, 500}, {{0, 100, 50}, {10, 1100, 550}}},
        {"a 32-bit counter wrapping at 1 Gbit/s within 34 s",
         {3'000'000'000, 0},
         {{0, two_32 - 1'000'000'000, 7}, {30, 2'000'000'000, 7}}},
        {"the same wrap after 35 s, when a second could hide in it",
         {0, 0},
         {{0, two_32 - 1'000, 7}, {35, 1'000, 7}}},
        {"a wrap of more than the link carries in the time",
         {0, 0},
         {{0, two_32 - 1'000, 7}, {1, 2'000'000'000, 7}}},
        {"a wrap with no usable speed under 30 s", {150, 0}, {{0, two_32 - 100, 7, 0, 0}, {29, 50, 7, 0, 0}}},
        {"and over 30 s", {0, 0}, {{0, two_32 - 100, 7, 0, 0}, {31, 50, 7, 0, 0}}},
        {"a restart shown by the uptime going back: the counter that went down counts whole",
         {1000, 200},
         {{0, big, 100, 0, 0, true}, {10, 1000, 300, 500, 0, true}}},
        {"a restart shown by an uptime shorter than the time since (closed for 10 minutes)",
         {1'000'000, 0},
         {{0, big, 100, 5}, {600, 1'000'000, 100, 100}}},
        {"the same, closed for nine hours: no allowance for the clocks' drift hides it",
         {1'000'000, 0},
         {{0, big, 100, 28}, {32410, 1'000'000, 100, 32408}}},
        {"a restart within a second of the last reading: its uptime grew by less than the time since",
         {1000, 200},
         {{0, big, 100, 5}, {10, 1000, 300, 9}}},
        {"a restart shown by the counters' discontinuity time",
         {7000, 0},
         {{0, big, 100, 0, gigabit, true}, {10, 7000, 100, 0, gigabit, true, 4200}}},
        {"a wrap while the program was closed, timed by the PC's uptime in the same boot",
         {1'000'001'000, 0},
         {{0, two_32 - 1'000'000'000, 7}, {20, 1'000, 7}},
         LastPoll::later},
        {"the same after the PC restarted: the time since is not known",
         {0, 0},
         {{0, two_32 - 1'000'000'000, 7}, {20, 1'000, 7}},
         LastPoll::another_boot},
        {"a reconnect restarting the uptime while the counters go on",
         {10, 10},
         {{0, big, 100}, {10, big + 10, 110, 3}}},
        {"a 64-bit counter going down with nothing to tell why counts nothing, and is the base after",
         {10, 0},
         {{0, big, 100, 0, gigabit, true}, {10, big - 10, 100}, {20, big, 100}}},
        {"growth beyond the link is held, the base kept, and counted once the identity is checked",
         {2 * big + 1, 1, true},
         {{0, big, 0}, {10, 3 * big, 0}, {20, 3 * big + 1, 1, 0, gigabit, true, 0, "uuid:a", none, true}}},
        {"another router at the same address: its counts go nowhere",
         {0, 0},
         {{0, 100, 50}, {10, 5000, 5000, 0, gigabit, false, 0, "uuid:b"}}},
        {"an answer with a problem counts nothing",
         {0, 0},
         {{0, 100, 50}, {10, 5000, 5000, 0, gigabit, false, 0, "uuid:a", RouterProblem::counter_missing}}},
    };
    for (const auto& c : cases) {
        UsageCount usage{};
        RouterChoice choice{};
        choice.source = RouterSource::upnp;
        std::snprintf(choice.identity, sizeof choice.identity, "uuid:a");
        std::snprintf(choice.name, sizeof choice.name, "Router: test");
        bool check = false;
        for (const Poll& poll : c.polls) {
            if (&poll == &c.polls.back() && c.last_poll != LastPoll::same) {
                usage.router.base.taken_ns = router_time_unknown;
                if (c.last_poll == LastPoll::another_boot) keep_bases_of_this_boot(usage, 5000);
            }
            const std::int64_t pc_uptime_ms = 3'600'000 + poll.at_s * 1000;
            check |=
                count_router_reading(usage, choice, reading_of(poll), 20000, pc_uptime_ms).check_identity;
        }
        const ByteCounts counted = usage_sum(usage, "Router: test", 20000, 20000);
        EXPECT_EQ(counted.received, c.outcome.received) << c.what;
        EXPECT_EQ(counted.sent, c.outcome.sent) << c.what;
        EXPECT_EQ(check, c.outcome.check) << c.what;
        EXPECT_EQ(usage_sum(usage, all_hardware_adapters, 20000, 20000).received, 0u) << "no hardware's";
    }
}

}  // namespace
