#include "fatal.h"

#include "fatal_platform.h"

namespace {
FatalHandler handler = nullptr;
}

void set_fatal_handler(FatalHandler replacement) {
    handler = replacement;
}

void fatal_error(const char* message) {
    if (handler) handler(message);
    end_process_with(message);
}
