// Reading settings.cfg when another program holds it. At start the read is
// tried again for a moment; a file still unread is kept from every save, the
// program runs on the defaults, and the save worker tries the file again every
// 10 s. Once it is read, its values hold, except those that the user changed
// in a dialog meanwhile.
#pragma once

#include <cstdint>

#include "settings/settings_file.h"

// Fills the store from the file, trying one that is there but cannot be read
// again until the save's deadline. Unreadable still: the store is empty, and
// the user is to be told.
FileRead read_settings_at_start();

// The file is there and has not been read: no save may replace it.
bool settings_unread();

// Each tick: while the file is unread, hands a read of it to the save worker,
// at once and then every `unread_retry_interval_ns`.
void keep_reading_settings(std::int64_t now_ns);
constexpr std::int64_t unread_retry_interval_ns = 10'000'000'000;

// While the file is unread: the store as it was applied, and at a dialog's OK
// the keys whose values the user changed since. The window's place follows
// the window, and the count of saves the saves; the scale's maximum counts
// only while it is locked, since the ticks move it otherwise.
void settings_applied();
void note_dialog_choices();

// Once the worker has read the file: the store takes its pairs, the user's
// choices over them. True when it did, and they are to be applied.
bool take_late_settings();

// The user chose, at a warning, to replace the unread file.
void replace_unread_settings();
