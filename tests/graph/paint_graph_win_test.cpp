// The GDI renderer against the geometry, pixel by pixel, on real windows.
#include "graph/paint_graph_win.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "graph/paint_graph.h"
#include "graph/paint_graph_cases.h"
#include "support/gdi_probe.h"
#include "support/graph_fixture.h"
#include "support/message_pump.h"
#include "support/window_capture.h"

namespace {

using namespace paint_cases;

constexpr char window_class[] = "mivrel paint test";

LRESULT CALLBACK test_window_procedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    switch (message) {
        case WM_ERASEBKGND:
            return 1;
        case WM_PAINT: {
            // Leaves whatever the test drew: only the test paints this window.
            PAINTSTRUCT paint;
            BeginPaint(window, &paint);
            EndPaint(window, &paint);
            return 0;
        }
        default:
            return DefWindowProcA(window, message, wparam, lparam);
    }
}

struct Cell {
    RECT rect;
    std::uint32_t text;
    std::uint32_t background;
    int ink;  // pixels that differ from the cell colour
};

// The cells that TextOutA fills for each non-empty label, in drawing order.
std::vector<Cell> label_cells(const TrafficGraph& graph, const GraphGeometry& geometry, HDC reference) {
    DcGuard dc(CreateCompatibleDC(reference));
    SelectionGuard font = select_into(dc.get(), graph.font);
    std::vector<Cell> cells;
    for (const LabelPlacement& label : geometry.labels) {
        if (label.length == 0) continue;
        SIZE size{};
        GetTextExtentPoint32A(dc.get(), label.text, label.length, &size);
        cells.push_back({{label.x, label.y, label.x + size.cx, label.y + size.cy},
                         dib_pixel(label.text_colour),
                         dib_pixel(label.cell_colour),
                         0});
    }
    return cells;
}

bool between(std::uint32_t value, std::uint32_t a, std::uint32_t b, int shift) {
    const std::uint32_t v = (value >> shift) & 0xFF, x = (a >> shift) & 0xFF, y = (b >> shift) & 0xFF;
    return x <= y ? (x <= v && v <= y) : (y <= v && v <= x);
}

class PaintGraphWinTest : public GraphTest {
protected:
    // One window for the whole suite, larger than every picture: destroying a
    // window under some X servers waits for a window manager that is not there.
    static void SetUpTestSuite() {
        WNDCLASSEXA description{};
        description.cbSize = sizeof description;
        description.lpfnWndProc = test_window_procedure;
        description.hInstance = GetModuleHandleA(nullptr);
        description.hCursor = LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW));
        description.lpszClassName = window_class;
        RegisterClassExA(&description);
        window = CreateWindowExA(WS_EX_TOPMOST, window_class, "paint test", WS_POPUP | WS_VISIBLE, 0, 0,
                                 window_width, window_height, nullptr, nullptr, GetModuleHandleA(nullptr),
                                 nullptr);
        pump_messages(100);
    }
    static void TearDownTestSuite() {
        DestroyWindow(window);
        window = nullptr;
    }

    void SetUp() override {
        GraphTest::SetUp();
        ASSERT_NE(window, nullptr);
        RECT client{};
        GetClientRect(window, &client);
        ASSERT_EQ(client.right, window_width);
        ASSERT_EQ(client.bottom, window_height);
    }

    // Sets the whole window to one colour, so that a picture smaller than it
    // is seen to cover exactly its own pixels.
    static void clear_window(Colour colour) {
        HDC window_dc = GetDC(window);
        ObjectGuard brush(CreateSolidBrush(colour));
        const RECT all{0, 0, window_width, window_height};
        FillRect(window_dc, &all, static_cast<HBRUSH>(brush.get()));
        GdiFlush();
        ReleaseDC(window, window_dc);
    }

    static constexpr int window_width = 256;
    static constexpr int window_height = 160;
    static HWND window;

    // Renders off-screen and checks every pixel: outside the label cells exactly the
    // geometry's picture, inside a cell only the cell and text colours (or blends of them).
    void expect_image_matches_geometry(const char* name) {
        SCOPED_TRACE(name);
        const GraphGeometry geometry = graph_geometry(graph);
        ASSERT_TRUE(geometry.drawn);
        HDC window_dc = GetDC(window);
        std::vector<Cell> cells = label_cells(graph, geometry, window_dc);
        const GraphImage image = render_graph_image(graph, window_dc);
        ReleaseDC(window, window_dc);
        ASSERT_NE(image.dc.get(), nullptr);
        ASSERT_EQ(image.width, geometry.width);
        ASSERT_EQ(image.height, geometry.height);

        const std::vector<Colour> expected = raster(graph, geometry);
        const std::vector<std::uint32_t> rendered = image_pixels(image);
        ASSERT_EQ(rendered.size(), expected.size());
        int mismatches = 0;
        std::string first_mismatches;
        for (int y = 0; y < geometry.height; ++y) {
            for (int x = 0; x < geometry.width; ++x) {
                const std::size_t at = static_cast<std::size_t>(y) * geometry.width + x;
                const std::uint32_t got = rendered[at];
                Cell* cell = nullptr;
                for (Cell& c : cells) {
                    const POINT point{x, y};
                    if (PtInRect(&c.rect, point)) cell = &c;  // the label drawn last wins
                }
                bool ok;
                if (cell) {
                    ok = between(got, cell->background, cell->text, 0) &&
                         between(got, cell->background, cell->text, 8) &&
                         between(got, cell->background, cell->text, 16);
                    if (got != cell->background) ++cell->ink;
                } else {
                    ok = got == dib_pixel(expected[at]);
                }
                if (!ok && ++mismatches <= 5) {
                    char line[96];
                    std::snprintf(line, sizeof line, " (%d,%d) got %06X want %06X%s", x, y, got,
                                  dib_pixel(expected[at]), cell ? " in a cell" : "");
                    first_mismatches += line;
                }
            }
        }
        EXPECT_EQ(mismatches, 0) << first_mismatches;
        for (const Cell& cell : cells) {
            const bool visible = cell.rect.right > 0 && cell.rect.bottom > 0 &&
                                 cell.rect.left < geometry.width && cell.rect.top < geometry.height;
            if (cell.text != cell.background && visible) {
                EXPECT_GT(cell.ink, 0) << "a label with no visible text at x " << cell.rect.left;
            }
        }
    }
};

HWND PaintGraphWinTest::window = nullptr;

TEST_F(PaintGraphWinTest, RenderedImageMatchesTheGeometryInEveryCase) {
    for (const PaintCase& c : all_cases) {
        start_fresh_traffic_graph();
        c.setup(graph);
        expect_image_matches_geometry(c.name);
    }
}

// Past a million pixels the image is a bitmap compatible with the window,
// filled a band of columns at a time: the same picture, bands' edges included.
TEST_F(PaintGraphWinTest, LargeImagesMatchTheGeometryToo) {
    start_fresh_traffic_graph();
    resize_graph(graph, 1300, 820);
    for (int i = 0; i < graph.capacity; ++i) {
        graph.download_history[i] = (i * 7919) % 100000;
        graph.upload_history[i] = (i * 104729) % 120000;
    }
    graph.count = graph.capacity;
    graph.head = 17;
    graph.download_peak = history_peak(graph, graph.download_history);
    graph.upload_peak = history_peak(graph, graph.upload_history);
    graph.scale_max = 90000;  // some bars pass the maximum line and reach row 0
    std::snprintf(graph.max_label, sizeof graph.max_label, "Max:  87.9 kB/s");
    std::snprintf(graph.download_label, sizeof graph.download_label, "Down:  1.0 kB/s");
    std::snprintf(graph.upload_label, sizeof graph.upload_label, "Up:  2.0 kB/s");
    HDC window_dc = GetDC(window);
    EXPECT_EQ(render_graph_image(graph, window_dc).bits, nullptr) << "expected the compatible bitmap";
    ReleaseDC(window, window_dc);
    expect_image_matches_geometry("large");
}

TEST_F(PaintGraphWinTest, OtherThemesKeepTheirExactColours) {
    for (int row = 0; themes[row].name[0]; ++row) {
        start_fresh_traffic_graph();
        apply_color_set(themes[row].colors, graph);
        setup_case(graph, "bars_under_labels");
        expect_image_matches_geometry(themes[row].name);
    }
}

TEST_F(PaintGraphWinTest, PaintOnTheWindowShowsTheRenderedImage) {
    for (const PaintCase& c : all_cases) {
        SCOPED_TRACE(c.name);
        start_fresh_traffic_graph();
        c.setup(graph);
        clear_window(0x123456);
        HDC window_dc = GetDC(window);
        paint_graph(graph, window_dc);
        GdiFlush();
        const GraphImage image = render_graph_image(graph, window_dc);
        ReleaseDC(window, window_dc);
        ASSERT_NE(image.dc.get(), nullptr);
        const std::vector<std::uint32_t> rendered = image_pixels(image);
        const std::vector<std::uint32_t> shown = capture_window(window, window_width, window_height);
        int differences = 0;
        for (int y = 0; y < window_height; ++y) {
            for (int x = 0; x < window_width; ++x) {
                const std::uint32_t expected = x < image.width && y < image.height
                                                   ? rendered[static_cast<std::size_t>(y) * image.width + x]
                                                   : dib_pixel(0x123456);
                if (shown[static_cast<std::size_t>(y) * window_width + x] != expected) ++differences;
            }
        }
        EXPECT_EQ(differences, 0);
    }
}

TEST_F(PaintGraphWinTest, GuardDrawsNothingAndCreatesNothing) {
    labelled_200x80(graph, 500, 200);
    clear_window(0x123456);
    HDC window_dc = GetDC(window);

    graph.resizing = true;
    EXPECT_EQ(render_graph_image(graph, window_dc).dc.get(), nullptr);
    paint_graph(graph, window_dc);
    graph.resizing = false;
    std::int64_t* upload = graph.upload_history;
    graph.upload_history = nullptr;
    paint_graph(graph, window_dc);
    graph.upload_history = upload;
    GdiFlush();
    ReleaseDC(window, window_dc);

    for (std::uint32_t pixel : capture_window(window, window_width, window_height))
        ASSERT_EQ(pixel, dib_pixel(0x123456));
}

TEST_F(PaintGraphWinTest, ReleasingTheImageFreesItsObjectsAndKeepsTheRecords) {
    labelled_200x80(graph, 500, 200);
    HDC window_dc = GetDC(window);
    HDC image_dc;
    HGDIOBJ image_bitmap;
    {
        const GraphImage image = render_graph_image(graph, window_dc);
        image_dc = image.dc.get();
        image_bitmap = image.bitmap.get();
        ASSERT_EQ(GetObjectType(image_dc), static_cast<DWORD>(OBJ_MEMDC));
        ASSERT_EQ(GetObjectType(image_bitmap), static_cast<DWORD>(OBJ_BITMAP));
        // The pen and the font went back out before the image was handed over.
        EXPECT_EQ(GetCurrentObject(image_dc, OBJ_BITMAP), image_bitmap);
        // What goes back in before the image is deleted: the DC's own first bitmap.
        EXPECT_EQ(GetObjectType(image.bitmap_selection.get().previous), static_cast<DWORD>(OBJ_BITMAP));
        EXPECT_NE(image.bitmap_selection.get().previous, image_bitmap);
        EXPECT_NE(GetCurrentObject(image_dc, OBJ_FONT), graph.font);
        const HGDIOBJ pen = GetCurrentObject(image_dc, OBJ_PEN);
        EXPECT_TRUE(pen != graph.download_pen && pen != graph.upload_pen && pen != graph.overlapped_pen &&
                    pen != graph.text_pen);
    }
    ReleaseDC(window, window_dc);
    EXPECT_EQ(GetObjectType(image_bitmap), 0u);
    EXPECT_EQ(GetObjectType(image_dc), 0u);
    EXPECT_EQ(GetObjectType(graph.font), static_cast<DWORD>(OBJ_FONT));
    for (HPEN pen : {graph.download_pen, graph.upload_pen, graph.overlapped_pen, graph.text_pen})
        EXPECT_EQ(GetObjectType(pen), static_cast<DWORD>(OBJ_PEN));
}

// GDI objects alive in this process. Where the platform does not count them
// (Wine answers 0), every handle slot is asked for its object: a handle with
// only its slot number still names the object there.
int count_gdi_objects() {
    const int counted = live_gdi_objects();
    if (counted >= 0) return counted;
    int objects = 0;
    for (std::uintptr_t slot = 1; slot <= 0xFFFF; ++slot)
        if (GetObjectType(reinterpret_cast<HGDIOBJ>(slot)) != 0) ++objects;
    return objects;
}

TEST_F(PaintGraphWinTest, ThousandPaintsLeakNoGdiObjects) {
    setup_case(graph, "full_ring_wrapped");
    HDC window_dc = GetDC(window);
    paint_graph(graph, window_dc);  // the first paint may load fonts for good
    const int before = count_gdi_objects();
    ASSERT_GT(before, 4);  // at least the record's pens and font
    for (int i = 0; i < 1000; ++i) paint_graph(graph, window_dc);
    EXPECT_EQ(count_gdi_objects(), before);
    ReleaseDC(window, window_dc);
}

TEST(GdiGuards, PutBackWhatTheyReplacedAndDeleteWhatTheyOwn) {
    DcGuard dc(CreateCompatibleDC(nullptr));
    ASSERT_NE(dc.get(), nullptr);
    const HGDIOBJ original = GetCurrentObject(dc.get(), OBJ_BRUSH);
    HGDIOBJ first_brush;
    {
        ObjectGuard brush(CreateSolidBrush(0x00FF00));
        first_brush = brush.get();
        SelectionGuard selected = select_into(dc.get(), brush.get());
        EXPECT_EQ(GetCurrentObject(dc.get(), OBJ_BRUSH), brush.get());
        SelectionGuard moved(std::move(selected));
        EXPECT_EQ(selected.get().dc, nullptr);
        ObjectGuard other(CreateSolidBrush(0x0000FF));
        const HGDIOBJ replaced = other.get();
        other = ObjectGuard(CreateSolidBrush(0xFF0000));
        EXPECT_EQ(GetObjectType(replaced), 0u);  // assignment releases what it held
    }
    EXPECT_EQ(GetCurrentObject(dc.get(), OBJ_BRUSH), original);
    EXPECT_EQ(GetObjectType(first_brush), 0u);
}

}  // namespace
