#include "dialogs/interface_list.h"

#include <cstring>
#include <string>
#include <vector>

ExpandCounterPath expand_counter_path = PdhExpandCounterPathA;

namespace {

constexpr std::uint32_t first_buffer_size = 1024;

// The name sits between the first "(" and the last ")" after it, so names
// that hold parentheses of their own come out whole.
void add_instance_name(const char* path, std::size_t length, HWND list) {
    const char* open = static_cast<const char*>(std::memchr(path, '(', length));
    if (!open) return;
    const char* close = nullptr;
    for (const char* at = path + length; at-- > open + 1;) {
        if (*at == ')') {
            close = at;
            break;
        }
    }
    if (!close) return;
    std::string name(open + 1, close);
    SendMessageA(list, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(name.c_str()));
    SendMessageA(list, CB_SETCURSEL, 0, 0);
}

}  // namespace

void fill_interface_list(const char* path, HWND list) {
    std::uint32_t size = first_buffer_size;
    std::vector<char> paths(size, 0);
    PDH_STATUS status = expand_counter_path(path, paths.data(), &size);
    if (status == PDH_MORE_DATA) {
        // Only one retry: a list that grew again in between counts as a failure.
        size += 1;
        paths.assign(size, 0);
        status = expand_counter_path(path, paths.data(), &size);
    }
    if (status != 0) {
        MessageBoxA(nullptr, "PdhExpandCounterPath failed.", "Error", MB_OK);
        return;
    }
    // Zero-terminated paths ended by an empty one; never read past the buffer
    // even if a source forgot the final terminator.
    std::size_t at = 0;
    while (at < paths.size() && paths[at] != 0) {
        std::size_t length = strnlen(paths.data() + at, paths.size() - at);
        add_instance_name(paths.data() + at, length, list);
        at += length + 1;
    }
}
