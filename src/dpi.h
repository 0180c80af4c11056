// Lengths that the graph and its window are given in pixels are pixels of a
// 96-DPI screen; screens scaled by the user get them in proportion.
#pragma once

constexpr int base_dpi = 96;

// `pixels` at 96 DPI on a screen of `dpi`, to the nearest pixel, halves away
// from zero as the platform rounds. A DPI of 0 or less counts as 96.
inline int scale_to_dpi(int pixels, int dpi) {
    if (dpi <= 0 || dpi == base_dpi) return pixels;
    const long long product = static_cast<long long>(pixels) * dpi;
    const long long half = product < 0 ? -base_dpi / 2 : base_dpi / 2;
    return static_cast<int>((product + half) / base_dpi);
}
