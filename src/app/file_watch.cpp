#include "app/file_watch.h"

#include <windows.h>

#include <cstdio>
#include <cstring>

#include "app/app.h"
#include "app/apply_settings.h"
#include "app/high_contrast.h"
#include "app/modal.h"
#include "app/notification_icon.h"
#include "settings/settings_file_platform.h"
#include "settings/settings_reading.h"
#include "settings/usage_keeping.h"

namespace {

constexpr const char* notice_formats[] = {
    "%s could not be read: another program may be holding it. mivrel runs on the default settings, leaves "
    "the file as it is and reads it as soon as it can.",
    "%s could not be read: another program may be holding it. mivrel goes on counting, and adds this run's "
    "counts to the file's as soon as it can read it.",
    "The traffic counts could not be saved in %s. mivrel keeps them and tries again every minute; they are "
    "lost if it ends before they can be saved.",
};

// The start and the end of `path`, "..." between, in at most `room` characters.
void shorten_middle(char* shortened, std::size_t size, const char* path, std::size_t room) {
    const std::size_t length = std::strlen(path);
    if (length <= room) {
        std::snprintf(shortened, size, "%s", path);
        return;
    }
    const std::size_t kept = room > 3 ? room - 3 : 0;
    const std::size_t head = kept / 2;
    std::snprintf(shortened, size, "%.*s...%s", static_cast<int>(head), path, path + length - (kept - head));
}

void show_notices() {
    for (int i = 0; i < static_cast<int>(FileNotice::count); ++i) {
        const auto notice = static_cast<FileNotice>(i);
        const char* path = pending_file_notice(notice);
        if (!path) continue;
        char text[notice_text_size];
        format_file_notice(text, notice, path);
        if (show_notification_balloon(text)) file_notice_shown(notice);
    }
}

void apply_late_settings() {
    apply_settings();
    follow_high_contrast();
}

// Yes only when the user chooses to replace what could not be read.
bool replace_unread_files() {
    const bool settings = settings_unread();
    const bool usage = usage_unread();
    const bool both = settings && usage;
    char text[512];
    std::snprintf(text, sizeof text,
                  "mivrel could not read %s when it started, and cannot yet: another program may be holding "
                  "%s.\n\nReplace %s with this run's %s? What %s now is lost.\n\nNo keeps your choices for "
                  "this run, without saving them.",
                  both       ? "settings.cfg and usage.cfg"
                  : settings ? "settings.cfg"
                             : "usage.cfg",
                  both ? "them" : "it", both ? "them" : "it",
                  both       ? "settings and counts"
                  : settings ? "settings"
                             : "counts",
                  both ? "they hold" : "it holds");
    int answer;
    {
        ModalWindowScope modal;
        answer = MessageBoxA(main_window, text, "mivrel", MB_YESNO | MB_ICONWARNING | MB_DEFBUTTON2);
    }
    if (answer != IDYES) return false;
    replace_unread_settings();
    replace_unread_usage();
    return true;
}

}  // namespace

void format_file_notice(char (&text)[notice_text_size], FileNotice notice, const char* path) {
    const char* format = notice_formats[static_cast<int>(notice)];
    char ansi[notice_text_size * 4];
    if (utf8_to_ansi(path, ansi, sizeof ansi) != AnsiText::converted)
        std::snprintf(ansi, sizeof ansi, "%s", path);
    const std::size_t room = notice_text_size - 1 - (std::strlen(format) - 2);
    char shortened[notice_text_size];
    shorten_middle(shortened, sizeof shortened, ansi, room);
    std::snprintf(text, sizeof text, format, shortened);
}

bool watch_files(std::int64_t now_ns) {
    show_notices();
    keep_reading_settings(now_ns);
    // A dialog open now shows what is in effect: the file's values wait for it.
    if (open_modal_windows > 0 || !take_late_settings()) return false;
    apply_late_settings();
    return true;
}

void keep_confirmed_settings() {
    store_settings();
    note_dialog_choices();
    if (take_late_settings()) {
        apply_late_settings();
        store_settings();
    }
    if ((settings_unread() || usage_unread()) && !replace_unread_files()) return;
    save_stored_settings();
}
