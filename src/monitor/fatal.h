// Environment failures the traffic monitor cannot work around end the process.
#pragma once

[[noreturn]] void fatal_error(const char* message);

// Tests install a handler that must not return (it throws); null restores the default.
using FatalHandler = void (*)(const char* message);
void set_fatal_handler(FatalHandler handler);
