#include "settings/set_aside_files.h"

#include <cstdio>
#include <cstring>

#include "monitor/clock.h"
#include "settings/settings_file_platform.h"

namespace {

// More files set aside within one second than anyone will make.
constexpr int most_numbers = 999;

bool take_text(const char*& at, const char* text) {
    const std::size_t length = std::strlen(text);
    if (std::strncmp(at, text, length) != 0) return false;
    at += length;
    return true;
}

bool take_digits(const char*& at, int count) {
    for (int i = 0; i < count; ++i, ++at) {
        if (*at < '0' || *at > '9') return false;
    }
    return true;
}

// "-2" up to "-999", without a leading zero.
bool take_number(const char*& at) {
    if (at[0] != '-' || at[1] < '1' || at[1] > '9') return false;
    at += 2;
    for (int more = 0; more < 2 && *at >= '0' && *at <= '9'; ++more) ++at;
    return true;
}

struct Listing {
    const SetAsideKind* kind;
    SetAsideVisitor visit;
    void* context;
};

void visit_if_set_aside(const char* name, void* context) {
    const Listing& listing = *static_cast<const Listing*>(context);
    if (is_set_aside_name(name, *listing.kind)) listing.visit(name, listing.context);
}

}  // namespace

bool is_set_aside_name(const char* name, const SetAsideKind& kind) {
    if (kind.earlier_name && std::strcmp(name, kind.earlier_name) == 0) return true;
    const char* at = name;
    if (!take_text(at, kind.stem) || !take_text(at, ".") || !take_text(at, kind.kind) ||
        !take_text(at, "-") || !take_digits(at, 4) || !take_text(at, "-") || !take_digits(at, 2) ||
        !take_text(at, "-") || !take_digits(at, 2) || !take_text(at, "-") || !take_digits(at, 6))
        return false;
    if (*at == '-' && !take_number(at)) return false;
    return std::strcmp(at, kind.extension) == 0;
}

bool set_file_aside(const char* path, const SetAsideKind& kind, char (&name)[set_aside_name_size]) {
    char stamp[18];
    read_local_time(stamp);
    std::size_t folder = std::strlen(path);
    while (folder > 0 && path[folder - 1] != '\\' && path[folder - 1] != '/') --folder;
    for (int number = 1; number <= most_numbers; ++number) {
        char suffix[8] = "";
        if (number > 1) std::snprintf(suffix, sizeof suffix, "-%d", number);
        const int length = std::snprintf(name, sizeof name, "%s.%s-%s%s%s", kind.stem, kind.kind, stamp,
                                         suffix, kind.extension);
        char target[path_capacity];
        const int target_length =
            std::snprintf(target, sizeof target, "%.*s%s", static_cast<int>(folder), path, name);
        if (length < 0 || static_cast<std::size_t>(length) >= sizeof name || target_length < 0 ||
            static_cast<std::size_t>(target_length) >= sizeof target || !is_set_aside_name(name, kind))
            break;
        if (move_file_new(path, target)) return true;
        // Refused for some other reason than the name: another would not do.
        if (!file_exists(target)) break;
    }
    name[0] = '\0';
    return false;
}

void list_set_aside_files(const char* folder, const SetAsideKind& kind, SetAsideVisitor visit,
                          void* context) {
    Listing listing{&kind, visit, context};
    list_folder(folder, kind.stem, visit_if_set_aside, &listing);
}
