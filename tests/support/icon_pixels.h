// Reads what an icon shows: its colour image's pixels.
#pragma once

#include <windows.h>

#include <cstdint>
#include <vector>

// An icon's colour image as top-down 0xAARRGGBB pixels; its width in `size`
// (0 and no pixels for no icon).
inline std::vector<std::uint32_t> icon_pixels(HICON icon, int& size) {
    ICONINFO parts{};
    BITMAP image{};
    size = 0;
    if (!icon || !GetIconInfo(icon, &parts)) return {};
    GetObjectA(parts.hbmColor, sizeof image, &image);
    size = image.bmWidth;
    BITMAPINFO format{};
    format.bmiHeader = {sizeof format.bmiHeader, size, -size, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    std::vector<std::uint32_t> pixels(static_cast<std::size_t>(size) * size);
    HDC screen = GetDC(nullptr);
    GetDIBits(screen, parts.hbmColor, 0, size, pixels.data(), &format, DIB_RGB_COLORS);
    ReleaseDC(nullptr, screen);
    DeleteObject(parts.hbmColor);
    DeleteObject(parts.hbmMask);
    return pixels;
}
