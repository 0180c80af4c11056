// The traffic monitor's one record: counters, history rings, peaks and scale,
// pens and font, label texts, and the graph options.
#pragma once

#include <cstdint>

#include "graph/contrast_colors.h"
#include "graph/gdi_objects.h"
#include "graph/themes.h"
#include "monitor/counter_source.h"
#include "monitor/format_rate.h"

struct TrafficGraph {
    PDH_HQUERY query;
    std::uint32_t counter_type;
    PDH_FMT_COUNTERVALUE counter_value;
    PDH_HCOUNTER download_counter;
    PDH_HCOUNTER upload_counter;
    std::int64_t* download_history;
    std::int64_t* upload_history;
    std::int32_t capacity;
    std::int32_t count;
    std::int32_t head;
    std::int64_t download_peak;
    std::int64_t upload_peak;
    std::int32_t width;
    std::int32_t height;
    HPEN download_pen;
    HPEN upload_pen;
    HPEN overlapped_pen;
    HPEN text_pen;
    HFONT font;
    char download_rate_text[16];
    char upload_rate_text[16];
    char max_rate_text[16];
    bool resizing;
    char download_interface[512];
    char upload_interface[512];
    std::int32_t delay;
    bool locked_max;
    std::int64_t scale_max;
    char download_label[32];
    char upload_label[32];
    char max_label[32];
    bool dependent_text_color;
    char theme_name[64];
    ColorSet colors;
    LOGFONTA label_font_description;
    std::int32_t dpi;      // of the screen the graph is drawn for; lengths and font follow it
    RateUnits rate_units;  // of every rate shown: labels, tooltip, readout, icon
    // While Windows' high contrast is on, what is painted instead of `colors`
    // (which stay the user's); ignored while its high_contrast is false.
    Palette contrast;
};

extern TrafficGraph traffic_graph;

// Opens the counter query and makes the default colours, pens and font.
TrafficGraph* create_traffic_graph();
void destroy_traffic_graph();

// The labels' face and cell height on a 96-DPI screen.
constexpr char label_font_face[] = "Small Fonts";
constexpr int label_font_height = 11;

// Replaces the label font by one of this face and cell height in pixels.
void set_label_font(TrafficGraph& graph, const char* face, int height);

void select_download_interface(TrafficGraph& graph, const char* name);
void select_upload_interface(TrafficGraph& graph, const char* name);
void rebuild_pens(TrafficGraph& graph);

// Recolours the record and rebuilds its pens; leaves the theme name alone.
void apply_color_set(const ColorSet& set, TrafficGraph& graph);

// The rate labels, filled with a rate text; the readout under the pointer
// repeats the first two for older samples.
constexpr char download_label_format[] = "Down:  %s/s";
constexpr char upload_label_format[] = "Up:  %s/s";

// Sampling tick: collect, store one sample per direction, peaks, scale, labels.
void sample(TrafficGraph& graph);
// The three labels again from the newest samples and the scale, as after a
// change of units; before the first tick they stay empty.
void reformat_labels(TrafficGraph& graph);
std::int64_t read_counter(TrafficGraph& graph, PDH_HCOUNTER counter);
std::int64_t history_peak(const TrafficGraph& graph, const std::int64_t* ring);

// Follows the client size: one sample per pixel column.
void resize_graph(TrafficGraph& graph, int width, int height);
void resize_history(TrafficGraph& graph, std::int64_t** ring, int entries);

// The first two successful counter reads of the process give 0.
extern std::int8_t warm_up_count;
