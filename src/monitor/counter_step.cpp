#include "monitor/counter_step.h"

#include <algorithm>

namespace {

constexpr std::uint64_t ns_per_second = 1'000'000'000;

// a * b, held at the top of the range.
std::uint64_t saturated_product(std::uint64_t a, std::uint64_t b) {
    return b != 0 && a > UINT64_MAX / b ? UINT64_MAX : a * b;
}

}  // namespace

std::uint64_t link_capacity(std::uint64_t speed_bps, std::int64_t elapsed_ns) {
    if (elapsed_ns <= 0) return 0;
    // Bytes a second times whole seconds, then the rest of a second in two
    // parts that each stay below 2^63: no product overflows.
    const std::uint64_t per_second = speed_bps / 8;
    const std::uint64_t elapsed = static_cast<std::uint64_t>(elapsed_ns);
    const std::uint64_t seconds = elapsed / ns_per_second;
    const std::uint64_t rest_ns = elapsed % ns_per_second;
    const std::uint64_t whole = saturated_product(per_second, seconds);
    const std::uint64_t part =
        per_second / ns_per_second * rest_ns + per_second % ns_per_second * rest_ns / ns_per_second;
    return whole > UINT64_MAX - part ? UINT64_MAX : whole + part;
}

CounterStep classify_counter_step(std::uint64_t last, std::uint64_t now, std::uint64_t speed_bps,
                                  std::int64_t elapsed_ns) {
    if (now >= last) return CounterStep::grew;
    if (speed_bps == 0 || elapsed_ns < 0) return CounterStep::rebase;
    const std::uint64_t drop = last - now;
    if (drop <= link_capacity(speed_bps, std::min(elapsed_ns, glitch_window_ns))) return CounterStep::glitch;
    if (now <= link_capacity(speed_bps, elapsed_ns)) return CounterStep::reset;
    return CounterStep::rebase;
}
