// The colours the graph, its icon and the Usage window's chart are painted
// in: the user's, or while Windows' high contrast is on the system's. A pure
// decision, so that every combination can be tested without a window system.
#pragma once

#include <cstdint>

#include "graph/themes.h"

// How a series fills its pixels: solid, or a pattern of its colour over the
// background where two series share a colour and must still be told apart.
enum class Fill : std::uint8_t {
    solid,
    dotted,   // every other pixel, a checkerboard
    hatched,  // diagonal bands two pixels wide, two apart
};

// Whether pixel (x, y) of an area filled with `fill` takes the series'
// colour; the others keep the background.
inline bool fill_covers(Fill fill, int x, int y) {
    switch (fill) {
        case Fill::dotted:
            return ((x + y) & 1) == 0;
        case Fill::hatched:
            return ((x + y) & 3) < 2;
        default:
            return true;
    }
}

// The system's colours that high contrast is drawn with (GetSysColor).
struct SystemColours {
    Colour window;       // COLOR_WINDOW
    Colour window_text;  // COLOR_WINDOWTEXT
    Colour highlight;    // COLOR_HIGHLIGHT
    Colour hotlight;     // COLOR_HOTLIGHT
};

struct Palette {
    bool high_contrast;  // the system's colours, not the user's
    ColorSet colors;
    Fill download_fill;
    Fill upload_fill;
    Fill overlapped_fill;
};

inline bool operator==(const Palette& a, const Palette& b) {
    return a.high_contrast == b.high_contrast && a.colors == b.colors && a.download_fill == b.download_fill &&
           a.upload_fill == b.upload_fill && a.overlapped_fill == b.overlapped_fill;
}
inline bool operator!=(const Palette& a, const Palette& b) {
    return !(a == b);
}

// High contrast off: the user's colours, every series solid. On: background
// COLOR_WINDOW, text COLOR_WINDOWTEXT, download COLOR_HIGHLIGHT, upload
// COLOR_HOTLIGHT, overlapped COLOR_WINDOWTEXT; a series whose colour would
// vanish into the background takes the text colour instead, and series that
// share a colour are told apart by their fills (overlapped, download, upload:
// the first solid, the next dotted, the third hatched).
Palette choose_palette(bool high_contrast, const SystemColours& system, const ColorSet& user);

// What is painted: the high-contrast palette while it is on, else the user's colours.
inline Palette shown_palette(const ColorSet& user, const Palette& contrast) {
    if (contrast.high_contrast) return contrast;
    return Palette{false, user, Fill::solid, Fill::solid, Fill::solid};
}
