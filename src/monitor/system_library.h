// Loading Windows' own DLLs from System32 only. Windows looks for a DLL that
// is not a Known DLL in the program's folder first, and people run mivrel from
// wherever their browser saved it: a file named like such a DLL there would
// run its code in mivrel's process.
#pragma once

#include <windows.h>

// `name` (a file name such as L"iphlpapi.dll") from System32, its own
// dependencies also from there; null when it cannot be loaded. Loaded for the
// rest of the process.
HMODULE load_system_library(const wchar_t* name);

// Asks Windows to look for every later DLL, the system's own loads included,
// in System32 only. Nothing on Windows 7 without the update that brings the
// search flags (KB2533623).
void search_system32_only();

// `name` of `module` as a function of the type `function` points to; false
// when the module does not export it.
template <typename Function>
bool find_function(HMODULE module, const char* name, Function* function) {
    *function = reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(module, name)));
    return *function != nullptr;
}
