// What the readout under the pointer says about the graph column it rests on:
// which sample that column shows, how old it is and its two rates.
#pragma once

#include <cstdint>

#include "monitor/traffic_graph.h"

// The sample the client column x shows, as its age in ticks (0 = the newest,
// in the rightmost column); -1 when no sample is drawn there.
int sample_at_column(const TrafficGraph& graph, int x);

constexpr int age_text_size = 48;  // any hours a 64-bit count of milliseconds holds
// "now", "12 s ago", "3 min 20 s ago", "1 h 5 min ago": the age of a sample
// `ticks` ticks old at `period_ms` per tick, to the nearest second (the
// nearest minute from an hour on).
void sample_age_text(char (&text)[age_text_size], std::int64_t ticks, std::int64_t period_ms);

// The age, then "Down:  %s/s" and "Up:  %s/s", on three lines. False (and
// text empty) when column x holds no sample.
constexpr int readout_text_size = 128;
bool readout_text(const TrafficGraph& graph, int x, std::int64_t period_ms, char (&text)[readout_text_size]);

// Where the readout's top-left corner goes for a pointer at (x, y): `offset_x`
// right of it and `offset_y` below, flipped to the other side of the pointer
// where the readout would cross the right or bottom edge of `area`, and kept
// inside it.
struct ScreenPoint {
    int x;
    int y;
};
struct ScreenArea {
    int left;
    int top;
    int right;
    int bottom;
};
ScreenPoint readout_origin(ScreenPoint pointer, int width, int height, int offset_x, int offset_y,
                           ScreenArea area);
