// Colour sets and the built-in colour themes.
#pragma once

#include <cstdint>

// 0x00BBGGRR, as GDI takes it.
using Colour = std::uint32_t;

struct ColorSet {
    Colour background;
    Colour download;
    Colour upload;
    Colour overlapped;
    Colour text_labels;
};

struct ColorTheme {
    char name[64];
    ColorSet colors;
};

// Eight themes and an end row whose name is empty.
extern const ColorTheme themes[];

// The colours of the theme with exactly this name, or null ("Custom" is no theme).
const ColorSet* find_theme(const char* name);

inline bool operator==(const ColorSet& a, const ColorSet& b) {
    return a.background == b.background && a.download == b.download && a.upload == b.upload &&
           a.overlapped == b.overlapped && a.text_labels == b.text_labels;
}
