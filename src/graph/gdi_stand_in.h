// The few GDI object types and calls the portable core uses, for builds
// without windows.h. Objects remember what they were made from so that tests
// can look at them.
#pragma once

#include <cstdint>

struct GdiObject;
using HGDIOBJ = GdiObject*;
using HPEN = GdiObject*;
using HFONT = GdiObject*;
using BOOL = int;
using LONG = std::int32_t;
using BYTE = std::uint8_t;
using COLORREF = std::uint32_t;

constexpr int PS_SOLID = 0;
constexpr BYTE DEFAULT_CHARSET = 1;
constexpr int LF_FACESIZE = 32;

struct LOGFONTA {
    LONG lfHeight;
    LONG lfWidth;
    LONG lfEscapement;
    LONG lfOrientation;
    LONG lfWeight;
    BYTE lfItalic;
    BYTE lfUnderline;
    BYTE lfStrikeOut;
    BYTE lfCharSet;
    BYTE lfOutPrecision;
    BYTE lfClipPrecision;
    BYTE lfQuality;
    BYTE lfPitchAndFamily;
    char lfFaceName[LF_FACESIZE];
};

HPEN CreatePen(int style, int width, COLORREF color);
HFONT CreateFontIndirectA(const LOGFONTA* description);
BOOL DeleteObject(HGDIOBJ object);

// For tests: objects made and not yet deleted, and what a pen or font was made from.
int stand_in_live_objects();
COLORREF stand_in_pen_color(HPEN pen);
const LOGFONTA* stand_in_font_description(HFONT font);
