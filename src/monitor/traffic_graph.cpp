#include "traffic_graph.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "dpi.h"
#include "monitor/fatal.h"

TrafficGraph traffic_graph;

namespace {

constexpr ColorSet classic_colors = {0x000000, 0x00FF00, 0xFF0000, 0xFFFF00, 0xFFFFFF};

void delete_pen(HPEN& pen) {
    if (pen) {
        DeleteObject(pen);
        pen = nullptr;
    }
}

void select_interface(TrafficGraph& graph, const char* name, char (&field)[512], PDH_HCOUNTER& counter,
                      const char* path_format) {
    std::snprintf(field, sizeof field, "%s", name);
    char path[2048];
    std::snprintf(path, sizeof path, path_format, field);
    if (counter) PdhRemoveCounter(counter);
    counter = nullptr;
    if (PdhAddCounterA(graph.query, path, 0, &counter) != 0) fatal_error("PdhAddCounter() failure");
}

}  // namespace

TrafficGraph* create_traffic_graph() {
    TrafficGraph& graph = traffic_graph;
    if (PdhOpenQueryA(nullptr, 0, &graph.query) != 0) fatal_error("PdhOpenQuery() failure");
    graph.colors = classic_colors;
    rebuild_pens(graph);

    graph.font = nullptr;
    graph.dpi = base_dpi;
    set_label_font(graph, label_font_face, label_font_height);

    graph.upload_interface[0] = 0;
    graph.download_interface[0] = 0;
    graph.download_label[0] = graph.upload_label[0] = graph.max_label[0] = 0;
    graph.theme_name[0] = 0;
    graph.download_counter = graph.upload_counter = nullptr;
    graph.download_history = graph.upload_history = nullptr;
    graph.head = graph.count = graph.capacity = 0;
    graph.locked_max = graph.dependent_text_color = graph.resizing = false;
    graph.scale_max = 512000;
    return &graph;
}

void destroy_traffic_graph() {
    TrafficGraph& graph = traffic_graph;
    std::free(graph.download_history);
    std::free(graph.upload_history);
    graph.download_history = graph.upload_history = nullptr;
    graph.capacity = graph.count = graph.head = 0;
    delete_pen(graph.download_pen);
    delete_pen(graph.upload_pen);
    delete_pen(graph.overlapped_pen);
    delete_pen(graph.text_pen);
    if (graph.font) {
        DeleteObject(graph.font);
        graph.font = nullptr;
    }
    PdhCloseQuery(graph.query);
    graph.query = nullptr;
    graph.download_counter = graph.upload_counter = nullptr;
}

void set_label_font(TrafficGraph& graph, const char* face, int height) {
    if (graph.font) DeleteObject(graph.font);
    LOGFONTA& description = graph.label_font_description;
    std::memset(&description, 0, sizeof description);
    description.lfHeight = height;
    description.lfCharSet = DEFAULT_CHARSET;
    std::snprintf(description.lfFaceName, sizeof description.lfFaceName, "%s", face);
    graph.font = CreateFontIndirectA(&description);
}

void select_download_interface(TrafficGraph& graph, const char* name) {
    select_interface(graph, name, graph.download_interface, graph.download_counter,
                     "\\Network Interface(%s)\\Bytes Received/sec");
}

void select_upload_interface(TrafficGraph& graph, const char* name) {
    select_interface(graph, name, graph.upload_interface, graph.upload_counter,
                     "\\Network Interface(%s)\\Bytes Sent/sec");
}

void rebuild_pens(TrafficGraph& graph) {
    delete_pen(graph.download_pen);
    delete_pen(graph.upload_pen);
    delete_pen(graph.overlapped_pen);
    delete_pen(graph.text_pen);
    graph.download_pen = CreatePen(PS_SOLID, 1, graph.colors.download);
    graph.upload_pen = CreatePen(PS_SOLID, 1, graph.colors.upload);
    graph.overlapped_pen = CreatePen(PS_SOLID, 1, graph.colors.overlapped);
    graph.text_pen = CreatePen(PS_SOLID, 1, graph.colors.text_labels);
}

void apply_color_set(const ColorSet& set, TrafficGraph& graph) {
    graph.colors = set;
    rebuild_pens(graph);
}
