// What a counter's reading below the last one means, by the link's speed and
// the time since: a glitch, a reset, or nothing that can be told.
#include "monitor/counter_step.h"

#include <gtest/gtest.h>

namespace {

TEST(CounterStep, ABackwardStepIsAGlitchAResetOrNothingThatCanBeTold) {
    constexpr std::uint64_t gigabit = 1'000'000'000;
    constexpr std::int64_t second = 1'000'000'000;
    constexpr std::uint64_t ten_gb = 10'000'000'000;
    const struct {
        const char* what;
        std::uint64_t last, now, speed_bps;
        std::int64_t elapsed_ns;
        CounterStep step;
    } cases[] = {
        {"no change, nothing known", 5, 5, 0, unknown_elapsed, CounterStep::grew},
        {"10 GB stepping back 1,000 bytes", ten_gb, ten_gb - 1000, gigabit, 10 * second, CounterStep::glitch},
        {"the same on a link of unknown speed", ten_gb, ten_gb - 1000, 0, 10 * second, CounterStep::rebase},
        {"the same at an unknown time", ten_gb, ten_gb - 1000, gigabit, unknown_elapsed, CounterStep::rebase},
        {"a drop of exactly what 2.5 s carry", ten_gb, ten_gb - 312'500'000, gigabit, 5 * second / 2,
         CounterStep::glitch},
        {"a reset after 10 s on 1 Gbit/s", ten_gb, 700'000'000, gigabit, 10 * second, CounterStep::reset},
        {"more than the link could carry since", ten_gb, 1'250'000'001, gigabit, 10 * second,
         CounterStep::rebase},
        {"a small counter going to 0 cannot be told from a glitch", 1'000'000, 0, gigabit, 10 * second,
         CounterStep::glitch},
        // An hour's worth would take any drop for a glitch, and hold back the
        // next 10 GB: a glitch is judged on 10 s at most.
        {"a reset while an hour passed", ten_gb, 5'000'000, gigabit, 3600 * second, CounterStep::reset},
        {"no time passed", ten_gb, 1, gigabit, 0, CounterStep::rebase},
        {"the largest counter to 0 on the fastest link", UINT64_MAX, 0, UINT64_MAX, 10 * second,
         CounterStep::glitch},
        {"years on a slow link", UINT64_MAX, 1'000'000'000'000, 8'000, INT64_MAX, CounterStep::reset},
    };
    for (const auto& c : cases)
        EXPECT_EQ(classify_counter_step(c.last, c.now, c.speed_bps, c.elapsed_ns), c.step) << c.what;
}

}  // namespace
