#include <cstdio>
#include <cstdlib>

#include "fatal_platform.h"

void end_process_with(const char* message) {
    std::fprintf(stderr, "mivrel: %s\n", message);
    std::_Exit(1);
}
