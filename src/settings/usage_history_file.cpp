#include "settings/usage_history_file.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <new>
#include <string>
#include <vector>

#include "settings/settings_file.h"
#include "settings/settings_file_platform.h"

namespace {

constexpr char byte_order_mark[] = "\xEF\xBB\xBF";
constexpr char header[] = "date,adapter,hardware,received,sent";
// A name that begins with one of these is written after an apostrophe, which
// the reader takes off again; one that begins with the apostrophe itself too.
constexpr char formula_starts[] = "=+-@\t\r'";
constexpr char formula_guard = '\'';

// A name as UTF-8 takes at most three bytes per ANSI byte; quoting doubles quotes.
constexpr std::size_t utf8_name_size = 3 * instance_name_size;

bool read_whole_file(std::FILE* file, std::string* bytes) {
    char block[65536];
    std::size_t got;
    while ((got = std::fread(block, 1, sizeof block, file)) > 0) bytes->append(block, got);
    return std::ferror(file) == 0;
}

struct Cursor {
    const char* at;
    const char* end;
};

bool at_line_end(const Cursor& c) {
    return c.at == c.end || *c.at == '\r' || *c.at == '\n';
}

// CRLF or LF, or the end of the file.
bool take_line_end(Cursor& c) {
    if (c.at == c.end) return true;
    if (*c.at == '\r') ++c.at;
    if (c.at == c.end || *c.at != '\n') return false;
    ++c.at;
    return true;
}

// One field up to its comma or line end; quoted by the CSV rules or plain.
bool take_field(Cursor& c, std::string* field, bool last) {
    field->clear();
    if (c.at != c.end && *c.at == '"') {
        for (++c.at;; ++c.at) {
            if (c.at == c.end) return false;
            if (*c.at != '"') {
                *field += *c.at;
                continue;
            }
            if (c.at + 1 != c.end && c.at[1] == '"') {
                *field += '"';
                ++c.at;
                continue;
            }
            ++c.at;
            break;
        }
    } else {
        while (c.at != c.end && *c.at != ',' && *c.at != '\r' && *c.at != '\n') *field += *c.at++;
    }
    if (last) return at_line_end(c);
    if (c.at == c.end || *c.at != ',') return false;
    ++c.at;
    return true;
}

// Plain decimal digits within 64 bits.
bool read_count(const std::string& text, std::uint64_t* count) {
    if (text.empty() || text.size() > 20) return false;
    std::uint64_t number = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return false;
        const unsigned digit = static_cast<unsigned>(c - '0');
        if (number > (UINT64_MAX - digit) / 10) return false;
        number = number * 10 + digit;
    }
    *count = number;
    return true;
}

bool parse_history(const std::string& bytes, UsageCount* usage) {
    Cursor c{bytes.data(), bytes.data() + bytes.size()};
    if (bytes.compare(0, 3, byte_order_mark) == 0) c.at += 3;
    if (c.at == c.end) return true;
    const std::size_t header_length = sizeof header - 1;
    if (static_cast<std::size_t>(c.end - c.at) < header_length ||
        std::memcmp(c.at, header, header_length) != 0)
        return false;
    c.at += header_length;
    if (!take_line_end(c)) return false;
    std::string fields[5];
    std::int32_t adapter = -1;
    while (c.at != c.end) {
        for (int i = 0; i < 5; ++i) {
            if (!take_field(c, &fields[i], i == 4)) return false;
        }
        if (!take_line_end(c)) return false;
        DayNumber day = 0;
        std::uint64_t received = 0;
        std::uint64_t sent = 0;
        if (!parse_iso_date(fields[0].c_str(), &day) || (fields[2] != "0" && fields[2] != "1") ||
            !read_count(fields[3], &received) || !read_count(fields[4], &sent))
            return false;
        char name[instance_name_size];
        const std::size_t marked = fields[1].size() > 1 && fields[1][0] == formula_guard ? 1 : 0;
        if (fields[1].size() == marked || fields[1].find('\0') != std::string::npos ||
            !utf8_to_ansi(fields[1].c_str() + marked, name, sizeof name))
            return false;
        // Rows of one adapter tend to follow each other's dates.
        if (adapter < 0 || !same_text(usage->adapters[static_cast<std::size_t>(adapter)].name, name))
            adapter = usage_adapter_index(*usage, name, true);
        if (adapter < 0) return false;
        take_filed_usage(*usage, adapter, day, fields[2] == "1", received, sent, true);
    }
    return true;
}

void append_name(std::string& line, const char* ansi) {
    char name[utf8_name_size + 1];
    char* text = name + 1;
    if (!ansi_to_utf8(ansi, text, utf8_name_size)) std::snprintf(text, utf8_name_size, "%s", ansi);
    // A spreadsheet would take such a name for a formula, and run it.
    if (std::strchr(formula_starts, *text) && *text) *--text = formula_guard;
    if (!std::strpbrk(text, ",\"\r\n")) {
        line += text;
        return;
    }
    line += '"';
    for (const char* p = text; *p; ++p) {
        if (*p == '"') line += '"';
        line += *p;
    }
    line += '"';
}

bool write_history(std::FILE* file, void* context) {
    const UsageCount& usage = *static_cast<const UsageCount*>(context);
    std::string text = byte_order_mark;
    text += header;
    text += "\r\n";
    const auto name_of = [&usage](const UsageDay* row) {
        return usage.adapters[static_cast<std::size_t>(row->adapter)].name;
    };
    std::vector<const UsageDay*> rows;  // one date's, with traffic
    for (std::size_t next = 0; next < usage.days.size();) {
        const DayNumber day = usage.days[next].day;
        rows.clear();
        for (; next < usage.days.size() && usage.days[next].day == day; ++next) {
            if (usage.days[next].received != 0 || usage.days[next].sent != 0)
                rows.push_back(&usage.days[next]);
        }
        // By name: the order this run met the adapters in is not the next
        // load's, and the same counts must give the same bytes.
        std::sort(rows.begin(), rows.end(), [&name_of](const UsageDay* a, const UsageDay* b) {
            return std::strcmp(name_of(a), name_of(b)) < 0;
        });
        char date[11];
        format_iso_date(date, day);
        for (const UsageDay* row : rows) {
            text += date;
            text += ',';
            append_name(text, name_of(row));
            char numbers[64];
            std::snprintf(numbers, sizeof numbers, ",%d,%llu,%llu\r\n", row->hardware ? 1 : 0,
                          static_cast<unsigned long long>(row->received),
                          static_cast<unsigned long long>(row->sent));
            text += numbers;
            // Written in blocks, so that ten years do not wait in memory twice.
            if (text.size() >= 60000) {
                if (std::fwrite(text.data(), 1, text.size(), file) != text.size()) return false;
                text.clear();
            }
        }
    }
    return std::fwrite(text.data(), 1, text.size(), file) == text.size();
}

}  // namespace

HistoryRead read_usage_history(const char* path, UsageCount* usage) {
    if (!path) return HistoryRead::unreadable;
    std::FILE* file = open_file(path, "rb");
    if (!file) return file_exists(path) ? HistoryRead::unreadable : HistoryRead::missing;
    // A file too large for the memory left is no damage of its own: it stays
    // where it is, unwritten.
    try {
        std::string bytes;
        const bool whole = read_whole_file(file, &bytes);
        std::fclose(file);
        file = nullptr;
        if (!whole) return HistoryRead::unreadable;
        UsageCount read = *usage;
        if (!parse_history(bytes, &read)) return HistoryRead::damaged;
        *usage = std::move(read);
        return HistoryRead::read;
    } catch (const std::bad_alloc&) {
        if (file) std::fclose(file);
        return HistoryRead::unreadable;
    }
}

bool write_usage_history(const char* path, const UsageCount& usage) {
    return save_file_atomically(path, write_history, const_cast<UsageCount*>(&usage));
}

bool export_usage_history(const char* path, const UsageCount& usage) {
    return export_file_atomically(path, write_history, const_cast<UsageCount*>(&usage));
}
