// Reads what a window shows, through a bitmap of our own (PrintWindow does
// not render client areas under Wine).
#pragma once

#include <windows.h>

#include <cstdint>
#include <vector>

#include "graph/paint_graph_win.h"

// Reads a window's client area back through a bitmap of our own.
inline std::vector<std::uint32_t> capture_window(HWND window, int width, int height) {
    HDC window_dc = GetDC(window);
    std::vector<std::uint32_t> pixels(static_cast<std::size_t>(width) * height);
    {
        DcGuard memory(CreateCompatibleDC(window_dc));
        ObjectGuard bitmap(CreateCompatibleBitmap(window_dc, width, height));
        {
            SelectionGuard selected = select_into(memory.get(), bitmap.get());
            BitBlt(memory.get(), 0, 0, width, height, window_dc, 0, 0, SRCCOPY);
        }
        BITMAPINFO info = top_down_image_info(width, height);
        GetDIBits(memory.get(), static_cast<HBITMAP>(bitmap.get()), 0, height, pixels.data(), &info,
                  DIB_RGB_COLORS);
    }
    ReleaseDC(window, window_dc);
    for (std::uint32_t& pixel : pixels) pixel &= 0x00FFFFFFu;
    return pixels;
}

// The pixels of a rendered graph image, 0x00RRGGBB, top-down, whichever kind
// of image it is: copied out through a DIB section of our own.
inline std::vector<std::uint32_t> image_pixels(const GraphImage& image) {
    std::vector<std::uint32_t> pixels;
    if (!image.dc.get()) return pixels;
    BITMAPINFO info = top_down_image_info(image.width, image.height);
    DcGuard memory(CreateCompatibleDC(image.dc.get()));
    void* bits = nullptr;
    ObjectGuard copy(CreateDIBSection(memory.get(), &info, DIB_RGB_COLORS, &bits, nullptr, 0));
    if (!bits) return pixels;
    {
        SelectionGuard selected = select_into(memory.get(), copy.get());
        BitBlt(memory.get(), 0, 0, image.width, image.height, image.dc.get(), 0, 0, SRCCOPY);
        GdiFlush();
    }
    const auto* first = static_cast<const std::uint32_t*>(bits);
    pixels.assign(first, first + static_cast<std::size_t>(image.width) * image.height);
    for (std::uint32_t& pixel : pixels) pixel &= 0x00FFFFFFu;
    return pixels;
}
