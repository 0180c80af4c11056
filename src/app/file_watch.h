// What the window does for the program's files: it tells the user, once,
// of a file that could not be read and of counts that could not be written;
// it applies settings that could be read only late; and it asks before a
// dialog's OK replaces a file that could not be read.
#pragma once

#include <cstddef>
#include <cstdint>

#include "settings/file_notices.h"

// Each tick: a notice that waits is shown as a balloon (again at the next
// tick, should the taskbar refuse it), and an unread settings file is tried
// again. True when settings read late were applied: the window is to follow.
bool watch_files(std::int64_t now_ns);

// A dialog's OK: the choices are kept, and saved, unless a file they would
// replace could not be read and the user, warned, says No; they stay in
// effect for the run then.
void keep_confirmed_settings();

// The balloon's text of a notice about `path` (UTF-8), the path shortened in
// its middle so that the text fits in 255 characters.
constexpr std::size_t notice_text_size = 256;
void format_file_notice(char (&text)[notice_text_size], FileNotice notice, const char* path);
