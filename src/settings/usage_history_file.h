// usage-history.csv: every kept day of every adapter, in a form that
// spreadsheets open (UTF-8 with its mark, CRLF, a header line, CSV quoting,
// and an apostrophe before a name that a spreadsheet would take for a formula).
#pragma once

#include <cstdint>

#include "monitor/usage_count.h"

enum class HistoryRead {
    read,        // read whole (an empty file included)
    missing,     // no such file: a new history
    unreadable,  // there, but it could not be opened: left alone
    damaged,     // not read whole: to be set aside
};

// Takes the file's rows into `usage` as what the file holds; on anything but
// `read`, `usage` is as it was.
HistoryRead read_usage_history(const char* path, UsageCount* usage);

// Writes every row of `usage` with traffic, dates ascending, by the settings'
// temporary-file-and-replace.
bool write_usage_history(const char* path, const UsageCount& usage);

// The same content into a file of the user's choosing ("Export..."); a
// failure leaves nothing of it behind.
bool export_usage_history(const char* path, const UsageCount& usage);

constexpr char usage_history_file_name[] = "usage-history.csv";
