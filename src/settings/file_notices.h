// What the user is to be told about the program's files: the settings layer
// records it, once a run for each kind, and the application shows it (a
// balloon over the notification icon), taking it when it has been shown.
#pragma once

enum class FileNotice {
    settings_unread,   // settings.cfg is there but could not be read: the path
    usage_unread,      // usage.cfg likewise: the path
    counts_unwritten,  // usage.cfg could not be written: the folder
    count,
};

// Records the notice with its path (UTF-8), unless it was recorded before in
// this run.
void post_file_notice(FileNotice notice, const char* path);

// The path of a notice that waits to be shown, or null.
const char* pending_file_notice(FileNotice notice);
void file_notice_shown(FileNotice notice);

// For tests: every notice may come again.
void reset_file_notices();
