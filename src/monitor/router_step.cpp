#include "monitor/router_step.h"

#include <initializer_list>

#include "monitor/counter_step.h"

namespace {

constexpr std::uint64_t wrap_span = std::uint64_t{1} << 32;
constexpr std::int64_t ns_per_ms = 1'000'000;
constexpr std::uint64_t ns_per_centisecond = 10'000'000;

bool is_wide(const RouterBase& base) {
    return base.wide_counters || base.received >= wrap_span || base.sent >= wrap_span;
}

// From the base's reading to this one: by this run's monotonic clock where
// the base is this run's, else by the PC's uptime in the same boot.
std::int64_t elapsed_ns(const RouterBase& base, const RouterReading& reading, std::int64_t uptime_ms) {
    if (base.taken_ns != router_time_unknown)
        return reading.taken_ns >= base.taken_ns ? reading.taken_ns - base.taken_ns : unknown_elapsed;
    if (base.counted_uptime_ms < 0 || uptime_ms < base.counted_uptime_ms) return unknown_elapsed;
    const std::int64_t ms = uptime_ms - base.counted_uptime_ms;
    return ms > INT64_MAX / ns_per_ms ? INT64_MAX : ms * ns_per_ms;
}

std::int64_t with_jitter(std::int64_t elapsed) {
    return elapsed > INT64_MAX - router_answer_jitter_ns ? INT64_MAX : elapsed + router_answer_jitter_ns;
}

bool beyond_link(std::uint64_t bytes, std::uint64_t speed_bps, std::int64_t elapsed) {
    return speed_bps != 0 && elapsed >= 0 && bytes > link_capacity(speed_bps, with_jitter(elapsed));
}

// The uptime went back, or is shorter than the time since the base; or,
// where the base's is known, grew by less than that time, the clocks' drift
// allowed, which tells a router back within a second of the base too. Or the
// counters' discontinuity time changed.
bool restarted(const RouterBase& base, const RouterReading& reading, std::int64_t elapsed) {
    if (base.discontinuity_known && reading.discontinuity_known &&
        base.discontinuity_cs != reading.discontinuity_cs)
        return true;
    if (!reading.uptime_known) return false;
    if (base.uptime_known && reading.uptime_cs < base.uptime_cs) return true;
    if (elapsed <= router_answer_jitter_ns) return false;
    const std::uint64_t uptime_ns =
        reading.uptime_cs > static_cast<std::uint64_t>(INT64_MAX) / ns_per_centisecond
            ? static_cast<std::uint64_t>(INT64_MAX)
            : reading.uptime_cs * ns_per_centisecond;
    if (uptime_ns < static_cast<std::uint64_t>(elapsed - router_answer_jitter_ns)) return true;
    const std::int64_t slack = router_answer_jitter_ns + elapsed / router_clock_drift;
    if (!base.uptime_known || elapsed <= slack) return false;
    return reading.uptime_cs - base.uptime_cs <
           static_cast<std::uint64_t>(elapsed - slack) / ns_per_centisecond;
}

// A 32-bit counter from `last` past 2^32 to `now`: only where the link could
// carry that since, in less time than one wrap takes, so that no second wrap
// could hide in it; with no usable speed, within a short time.
bool wrapped_once(std::uint64_t last, std::uint64_t now, std::uint64_t speed_bps, std::int64_t elapsed,
                  std::uint64_t* grown) {
    if (elapsed < 0) return false;
    *grown = wrap_span - last + now;
    if (speed_bps == 0) return elapsed < router_wrap_window_ns;
    return link_capacity(speed_bps, elapsed) < wrap_span &&
           *grown <= link_capacity(speed_bps, with_jitter(elapsed));
}

}  // namespace

RouterBase router_base_of(const RouterReading& reading, std::int64_t uptime_ms) {
    RouterBase base{reading.received,         reading.sent,      reading.wide_counters,
                    reading.uptime_known,     reading.uptime_cs, reading.discontinuity_known,
                    reading.discontinuity_cs, reading.taken_ns,  uptime_ms};
    base.wide_counters = is_wide(base);
    return base;
}

RouterStep step_router(const RouterBase& base, const RouterReading& reading, std::int64_t uptime_ms) {
    RouterStep step{};
    step.next = router_base_of(reading, uptime_ms);
    step.next.wide_counters = step.next.wide_counters || is_wide(base);
    const std::int64_t elapsed = elapsed_ns(base, reading, uptime_ms);
    const std::uint64_t last[2] = {base.received, base.sent};
    const std::uint64_t now[2] = {reading.received, reading.sent};
    const std::uint64_t speed[2] = {reading.link_down_bps, reading.link_up_bps};
    const bool down = now[0] < last[0] || now[1] < last[1];
    // An uptime that restarts at every reconnect, while the counters go on,
    // tells nothing unless a counter went down; and even then a counter that
    // did not counts only its growth.
    const bool restart = down && restarted(base, reading, elapsed);
    std::uint64_t counted[2] = {0, 0};
    bool beyond = false;
    for (int d : {0, 1}) {
        if (now[d] >= last[d]) {
            counted[d] = now[d] - last[d];
            beyond = beyond || beyond_link(counted[d], speed[d], elapsed);
        } else if (restart) {
            counted[d] = now[d];
        } else if (step.next.wide_counters ||
                   !wrapped_once(last[d], now[d], speed[d], elapsed, &counted[d])) {
            counted[d] = 0;
        }
    }
    if (beyond && !reading.identity_checked) {
        step.held = true;
        step.next = base;
        return step;
    }
    step.received = counted[0];
    step.sent = counted[1];
    return step;
}
