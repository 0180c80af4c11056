// Linked beside the program's own entry point into mivrel_high_contrast.exe:
// the program as it runs while Windows' high contrast is on, which Wine never
// reports, for pictures of it (scripts/run --high-contrast). Not shipped.
#include "app/high_contrast.h"

namespace {

const bool forced = [] {
    read_high_contrast = [] { return true; };
    return true;
}();

}  // namespace
