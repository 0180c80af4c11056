// 32-bit device-independent images as GDI takes them.
#pragma once

#include <windows.h>

#include "graph/dib.h"

// The description of a top-down (row 0 first) 32-bit image, pixels 0x00RRGGBB.
inline BITMAPINFO top_down_image_info(int width, int height) {
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    return info;
}
