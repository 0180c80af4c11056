// What the notification icon shows in its live modes, as pixels: a small
// graph of the newest columns, or the two current rates in a pixel font of
// our own. No window system involved; the Windows half makes the icon.
#pragma once

#include <cstdint>

#include "graph/tray_samples.h"
#include "monitor/traffic_graph.h"

// The setting app.tray_icon: "icon" (the program's icon), "graph" or "rates".
enum class TrayIconMode : std::uint8_t { icon, graph, rates };

// Anything but "graph" and "rates" reads as the program's icon.
TrayIconMode tray_icon_mode_from_text(const char* text);
const char* tray_icon_mode_text(TrayIconMode mode);

// Unless locked, the graph's scale is the larger peak of the columns it
// shows, never below this, so that a quiet link looks quiet.
constexpr std::int64_t tray_graph_scale_floor = 1024;

// The icon's rows and columns at the smallest size the taskbar uses.
constexpr int tray_icon_base_size = 16;

// What the icon is drawn from: its columns, newest first, and the rates.
struct TrayIconFigures {
    int count;
    TrayRates columns[tray_columns_max];
    TrayRates rates;
};

// From the notification area's own samples, for the graph's tick delay.
TrayIconFigures tray_figures(const TraySamples& samples, std::int32_t delay_ms);
// From the graph's history: a column per sample, the newest sample's rates.
TrayIconFigures graph_figures(const TrafficGraph& graph);

// Draws the icon of `mode` into size x size top-down pixels 0xAARRGGBB, every
// one opaque, in the graph's colours (high contrast's while it is on). False,
// with nothing drawn, in the program-icon mode or for a size below
// tray_icon_base_size.
bool paint_tray_icon(const TrafficGraph& graph, const TrayIconFigures& figures, TrayIconMode mode, int size,
                     std::uint32_t* pixels);
// The same from the graph's history alone.
bool paint_tray_icon(const TrafficGraph& graph, TrayIconMode mode, int size, std::uint32_t* pixels);

// The scale of the graph icon whose inner area shows `columns` columns.
std::int64_t tray_graph_scale(const TrafficGraph& graph, const TrayIconFigures& figures, int columns);
