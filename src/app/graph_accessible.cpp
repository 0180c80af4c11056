#include "app/graph_accessible.h"

#include <cstdio>

#include "app/window_accessible.h"
#include "monitor/traffic_graph.h"

namespace {

bool graph_name(HWND, long child, char (&text)[accessible_text_size]) {
    if (child != CHILDID_SELF) return false;
    std::snprintf(text, sizeof text, "%s", "mivrel");
    return true;
}

// A label with its spaces run together: "Down:  1.2 kB/s" is read as "Down: 1.2 kB/s".
void append_spoken(char (&text)[accessible_text_size], int& used, const char* label) {
    for (const char* at = label; *at && used + 1 < accessible_text_size; ++at) {
        if (*at == ' ' && used > 0 && text[used - 1] == ' ') continue;
        text[used++] = *at;
    }
    text[used] = '\0';
}

// "Down: 1.2 kB/s, Up: 300.0 bytes/s", as the labels are now.
bool graph_value(HWND, long child, char (&text)[accessible_text_size]) {
    if (child != CHILDID_SELF) return false;
    int used = 0;
    text[0] = '\0';
    append_spoken(text, used, traffic_graph.download_label);
    append_spoken(text, used, ", ");
    append_spoken(text, used, traffic_graph.upload_label);
    return true;
}

constexpr AccessibleParts graph_parts = {graph_name, graph_value, 0, nullptr, 0, nullptr, nullptr, nullptr};

}  // namespace

LRESULT answer_graph_request(HWND window, WPARAM flags, LPARAM object_id) {
    return answer_accessible_request(window, flags, object_id, graph_parts);
}

void end_graph_accessible(HWND window) {
    end_accessible(window);
}
