#include "themes.h"

#include <cstring>

const ColorTheme themes[] = {
    {"Classic", {0x000000, 0x00FF00, 0xFF0000, 0xFFFF00, 0xFFFFFF}},
    {"Classic Pale", {0x000000, 0x00EC00, 0x8A3726, 0x9F9F11, 0xFFFFFF}},
    {"Zombie Mocha", {0x616A65, 0x85B397, 0xC4F1EB, 0xB0D9D4, 0xFFFFFF}},
    {"Gray", {0xD5D5D5, 0x000000, 0x6B6B6B, 0x383838, 0x000000}},
    {"Bile", {0x8BA32F, 0xCCF0B6, 0x87372E, 0xBD4D40, 0xFFFFFF}},
    {"Plum", {0xDE1BBC, 0x91137B, 0x0000FF, 0x4D1BBC, 0xFFFFFF}},
    {"Rust", {0x092245, 0x2D4DD0, 0x000000, 0x2DCDD0, 0xFFFFFF}},
    {"Creamy", {0x746664, 0xC4F1EB, 0x000000, 0x4B9BE3, 0xFFFFFF}},
    {"", {0, 0, 0, 0, 0}},
};

const ColorSet* find_theme(const char* name) {
    for (const ColorTheme* theme = themes; theme->name[0]; ++theme) {
        if (std::strcmp(theme->name, name) == 0) return &theme->colors;
    }
    return nullptr;
}
