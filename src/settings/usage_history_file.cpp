#include "settings/usage_history_file.h"

#include <algorithm>
#include <charconv>
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
// Runs between quotes are taken whole: ten years of a hundred adapters are
// a third of a million lines.
bool take_field(Cursor& c, std::string* field, bool last) {
    field->clear();
    if (c.at != c.end && *c.at == '"') {
        for (++c.at;;) {
            const char* quote = static_cast<const char*>(std::memchr(c.at, '"', c.end - c.at));
            if (!quote) return false;
            field->append(c.at, quote);
            c.at = quote + 1;
            if (c.at == c.end || *c.at != '"') break;
            *field += '"';
            ++c.at;
        }
    } else {
        const char* start = c.at;
        while (c.at != c.end && *c.at != ',' && *c.at != '\r' && *c.at != '\n') ++c.at;
        field->assign(start, c.at);
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

// Rows no adapter can take are kept as they are, by date and name; a repeated
// one takes the larger counts, as a counted one does.
void keep_row(UsageCount& usage, KeptHistoryRow row) {
    const auto before = [](const KeptHistoryRow& a, const KeptHistoryRow& b) {
        return a.day < b.day || (a.day == b.day && a.name < b.name);
    };
    auto at = usage.kept.end();
    if (!usage.kept.empty() && !before(usage.kept.back(), row))
        at = std::lower_bound(usage.kept.begin(), usage.kept.end(), row, before);
    if (at != usage.kept.end() && at->day == row.day && at->name == row.name) {
        at->received = std::max(at->received, row.received);
        at->sent = std::max(at->sent, row.sent);
        return;
    }
    usage.kept.insert(at, std::move(row));
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
        const std::size_t marked = fields[1].size() > 1 && fields[1][0] == formula_guard ? 1 : 0;
        if (fields[1].size() == marked || fields[1].find('\0') != std::string::npos) return false;
        const char* utf8 = fields[1].c_str() + marked;
        char name[instance_name_size];
        const AnsiText spelt = utf8_to_ansi(utf8, name, sizeof name);
        if (spelt == AnsiText::too_long || spelt == AnsiText::not_utf8) return false;
        const std::int32_t adapter =
            spelt == AnsiText::converted ? usage_adapter_index(*usage, name, true) : -1;
        if (adapter >= 0)
            take_filed_usage(*usage, adapter, day, fields[2] == "1", received, sent, true);
        else
            keep_row(*usage, {day, utf8, fields[2] == "1", received, sent});
    }
    return true;
}

// `utf8` as the file spells it: quoted by the CSV rules, and after an
// apostrophe where a spreadsheet would take it for a formula, and run it.
void append_name(std::string& line, const std::string& utf8) {
    const bool guarded = !utf8.empty() && std::strchr(formula_starts, utf8[0]);
    if (!std::strpbrk(utf8.c_str(), ",\"\r\n")) {
        if (guarded) line += formula_guard;
        line += utf8;
        return;
    }
    line += '"';
    if (guarded) line += formula_guard;
    for (char c : utf8) {
        if (c == '"') line += '"';
        line += c;
    }
    line += '"';
}

void append_count(std::string& line, std::uint64_t count) {
    char digits[24];
    line += ',';
    line.append(digits, std::to_chars(digits, digits + sizeof digits, count).ptr);
}

// One line of the file; its name is UTF-8 already.
struct HistoryLine {
    const std::string* name;
    bool hardware;
    std::uint64_t received;
    std::uint64_t sent;
};

void append_line(std::string& text, const char (&date)[11], const HistoryLine& line) {
    text += date;
    text += ',';
    append_name(text, *line.name);
    text += line.hardware ? ",1" : ",0";
    append_count(text, line.received);
    append_count(text, line.sent);
    text += "\r\n";
}

// The adapters' names as the file spells them, each converted once.
std::vector<std::string> utf8_names(const UsageCount& usage) {
    std::vector<std::string> names(usage.adapters.size());
    char utf8[utf8_name_size];
    for (std::size_t i = 0; i < names.size(); ++i) {
        const char* ansi = usage.adapters[i].name;
        names[i] = ansi_to_utf8(ansi, utf8, sizeof utf8) ? utf8 : ansi;
    }
    return names;
}

// Dates ascending, and within a date the names' bytes ascending, whatever
// order the adapters were first seen in: a history read and written back
// gives the same bytes.
bool write_history(std::FILE* file, void* context) {
    const UsageCount& usage = *static_cast<const UsageCount*>(context);
    const std::vector<std::string> names = utf8_names(usage);
    std::string text = byte_order_mark;
    text += header;
    text += "\r\n";
    std::vector<HistoryLine> lines;
    auto row = usage.days.begin();
    auto kept = usage.kept.begin();
    while (row != usage.days.end() || kept != usage.kept.end()) {
        const DayNumber day = kept == usage.kept.end() || (row != usage.days.end() && row->day < kept->day)
                                  ? row->day
                                  : kept->day;
        lines.clear();
        for (; row != usage.days.end() && row->day == day; ++row) {
            if (row->received != 0 || row->sent != 0)
                lines.push_back({&names[static_cast<std::size_t>(row->adapter)], row->hardware, row->received,
                                 row->sent});
        }
        for (; kept != usage.kept.end() && kept->day == day; ++kept) {
            if (kept->received != 0 || kept->sent != 0)
                lines.push_back({&kept->name, kept->hardware, kept->received, kept->sent});
        }
        std::sort(lines.begin(), lines.end(),
                  [](const HistoryLine& a, const HistoryLine& b) { return *a.name < *b.name; });
        char date[11];
        format_iso_date(date, day);
        for (const HistoryLine& line : lines) append_line(text, date, line);
        // Written in blocks, so that ten years do not wait in memory twice.
        if (text.size() >= 60000) {
            if (std::fwrite(text.data(), 1, text.size(), file) != text.size()) return false;
            text.clear();
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
