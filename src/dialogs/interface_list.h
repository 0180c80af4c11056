// The Configuration dialog's interface lists.
#pragma once

#include <windows.h>

#include <cstdint>

#include "monitor/counter_source.h"

// Fills a sorted drop-down list with the instance names that a wildcard
// counter path expands to and selects the first; a failed expansion is
// reported in a message box and leaves the list as it was.
void fill_interface_list(const char* path, HWND list);

// The expansion used by fill_interface_list; tests put in paths the counter
// source itself never produces (such as parentheses inside a name).
using ExpandCounterPath = PDH_STATUS (*)(const char* wildcard_path, char* expanded_paths,
                                         std::uint32_t* size);
extern ExpandCounterPath expand_counter_path;
