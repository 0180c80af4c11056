#include "settings/file_notices.h"

#include <cstdio>

#include "settings/settings_file_platform.h"

namespace {

// The window's thread's own.
struct Notice {
    bool posted;
    bool pending;
    char path[path_capacity];
};

Notice notices[static_cast<int>(FileNotice::count)];

Notice& notice_of(FileNotice notice) {
    return notices[static_cast<int>(notice)];
}

}  // namespace

void post_file_notice(FileNotice notice, const char* path) {
    Notice& posted = notice_of(notice);
    if (posted.posted) return;
    posted.posted = posted.pending = true;
    std::snprintf(posted.path, sizeof posted.path, "%s", path ? path : "");
}

const char* pending_file_notice(FileNotice notice) {
    const Notice& posted = notice_of(notice);
    return posted.pending ? posted.path : nullptr;
}

void file_notice_shown(FileNotice notice) {
    notice_of(notice).pending = false;
}

void reset_file_notices() {
    for (Notice& notice : notices) notice = {};
}
