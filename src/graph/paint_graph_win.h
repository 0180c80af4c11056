// Painting the graph with GDI: the whole client area is drawn off-screen and
// copied to the window in one step, so the window never shows half a graph.
#pragma once

#include <windows.h>

#include <cstdint>
#include <utility>

#include "monitor/traffic_graph.h"

// Deletes a memory DC.
struct DcGuard {
    HDC dc = nullptr;

    DcGuard() = default;
    explicit DcGuard(HDC owned) : dc(owned) {}
    DcGuard(DcGuard&& other) noexcept : dc(std::exchange(other.dc, nullptr)) {}
    DcGuard& operator=(DcGuard&& other) noexcept {
        if (this != &other) {
            release();
            dc = std::exchange(other.dc, nullptr);
        }
        return *this;
    }
    DcGuard(const DcGuard&) = delete;
    ~DcGuard() { release(); }
    void release() {
        if (dc) DeleteDC(dc);
        dc = nullptr;
    }
};

// Deletes a GDI object (it must no longer be selected anywhere by then).
struct ObjectGuard {
    HGDIOBJ object = nullptr;

    ObjectGuard() = default;
    explicit ObjectGuard(HGDIOBJ owned) : object(owned) {}
    ObjectGuard(ObjectGuard&& other) noexcept : object(std::exchange(other.object, nullptr)) {}
    ObjectGuard& operator=(ObjectGuard&& other) noexcept {
        if (this != &other) {
            release();
            object = std::exchange(other.object, nullptr);
        }
        return *this;
    }
    ObjectGuard(const ObjectGuard&) = delete;
    ~ObjectGuard() { release(); }
    void release() {
        if (object) DeleteObject(object);
        object = nullptr;
    }
};

// Selects an object into a DC and puts back what it replaced.
struct SelectionGuard {
    HDC dc = nullptr;
    HGDIOBJ previous = nullptr;

    SelectionGuard() = default;
    SelectionGuard(HDC target, HGDIOBJ object) : dc(target), previous(SelectObject(target, object)) {
        if (previous == HGDI_ERROR) previous = nullptr;
    }
    SelectionGuard(SelectionGuard&& other) noexcept
        : dc(std::exchange(other.dc, nullptr)), previous(std::exchange(other.previous, nullptr)) {}
    SelectionGuard& operator=(SelectionGuard&& other) noexcept {
        if (this != &other) {
            release();
            dc = std::exchange(other.dc, nullptr);
            previous = std::exchange(other.previous, nullptr);
        }
        return *this;
    }
    SelectionGuard(const SelectionGuard&) = delete;
    ~SelectionGuard() { release(); }
    void release() {
        if (dc && previous) SelectObject(dc, previous);
        dc = nullptr;
        previous = nullptr;
    }
};

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

// The finished off-screen picture: a memory DC with the image selected, a
// top-down 32-bit DIB section (`bits`, pixels 0x00RRGGBB) for small images and
// a bitmap compatible with the window (`bits` null) for large ones. Members are
// released in reverse order: the old bitmap goes back into the DC before the
// image and then the DC are deleted.
struct GraphImage {
    GraphImage() = default;
    GraphImage(GraphImage&&) = default;
    // Member-wise assignment would delete the DC before putting its old bitmap back.
    GraphImage& operator=(GraphImage&&) = delete;

    DcGuard dc;
    ObjectGuard bitmap;
    SelectionGuard bitmap_selection;
    std::uint32_t* bits = nullptr;
    int width = 0;
    int height = 0;
};

// Draws the graph into a new image made for `reference`. The image is empty
// (no DC) when the record says nothing is to be drawn or GDI refuses.
GraphImage render_graph_image(const TrafficGraph& graph, HDC reference);

// Renders the graph and copies it to `target` at (0, 0).
void paint_graph(const TrafficGraph& graph, HDC target);
