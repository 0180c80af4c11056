// 32-bit device-independent pixels, as the painters write them.
#pragma once

#include <cstdint>

#include "graph/themes.h"

// A GDI Colour (0x00BBGGRR) as a 32-bit DIB pixel (0x00RRGGBB).
inline std::uint32_t dib_pixel(Colour colour) {
    return ((colour & 0xFFu) << 16) | (colour & 0xFF00u) | ((colour >> 16) & 0xFFu);
}
