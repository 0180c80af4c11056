// usage-history.csv: every kept day of every adapter, in a form that
// spreadsheets open (UTF-8 with its mark, CRLF, a header line, CSV quoting).
#pragma once

#include <cstdint>

#include "monitor/usage_count.h"

enum class HistoryRead {
    read,        // read whole (an empty file included)
    missing,     // no such file: a new history
    unreadable,  // there, but it could not be opened: left alone
    damaged,     // not read whole: to be set aside
};

// Takes the file's rows into `usage` as kept days; on anything but `read`,
// `usage` is as it was.
HistoryRead read_usage_history(const char* path, UsageCount* usage);

// Writes the rows of `usage` with traffic, dates ascending, all of them or
// all but today's, by the settings' temporary-file-and-replace; a target
// another program holds open is tried again until `deadline_ns`.
bool write_usage_history(const char* path, const UsageCount& usage, bool with_today,
                         std::int64_t deadline_ns);

constexpr char usage_history_file_name[] = "usage-history.csv";
constexpr char usage_history_bad_file_name[] = "usage-history.bad.csv";
