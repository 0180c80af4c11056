#include "app/export_notice.h"

#include <cstdio>
#include <cstring>

#include "app/notification_icon.h"
#include "settings/settings_file_platform.h"
#include "settings/usage_export.h"

namespace {

using NoticeText = char[sizeof notify_icon_data.szInfo];

bool format_notice(NoticeText& text, const char* file, int others) {
    const int length =
        others > 0
            ? std::snprintf(text, sizeof text,
                            "mivrel closed before it could export the usage history to %s and %d other "
                            "file%s. Export it again from the Usage window.",
                            file, others, others > 1 ? "s" : "")
            : std::snprintf(text, sizeof text,
                            "mivrel closed before it could export the usage history to %s. Export it "
                            "again from the Usage window.",
                            file);
    return length > 0 && static_cast<std::size_t>(length) < sizeof text;
}

}  // namespace

// A path that leaves the balloon no room is named by its last part.
void tell_unwritten_exports() {
    int count = 0;
    const char* first = untold_export(&count);
    if (!first) return;
    char path[path_capacity];
    if (!utf8_to_ansi_shown(first, path, sizeof path)) std::snprintf(path, sizeof path, "%s", first);
    NoticeText text;
    if (!format_notice(text, path, count - 1)) {
        const char* name = std::strrchr(path, '\\');
        format_notice(text, name ? name + 1 : path, count - 1);
    }
    if (show_notification_balloon(text)) exports_told();
}
