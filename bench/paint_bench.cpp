// Times one paint of the graph against the least any paint must cost on the
// same window (make an off-screen image, fill it, copy it, release it; the
// cheaper of a compatible bitmap and a DIB section), and one sampling tick on
// the platform's real counters.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <vector>

#include "graph/paint_graph_win.h"
#include "monitor/clock.h"
#include "monitor/traffic_graph.h"
#include "monitor/usage_count.h"

namespace {

constexpr char window_class[] = "mivrel paint bench";

LRESULT CALLBACK bench_window_procedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    if (message == WM_ERASEBKGND) return 1;
    if (message == WM_PAINT) {
        PAINTSTRUCT paint;
        BeginPaint(window, &paint);
        EndPaint(window, &paint);
        return 0;
    }
    return DefWindowProcA(window, message, wparam, lparam);
}

// The copies to a window reach the X server asynchronously under Wine: reading
// a pixel back waits until it has drawn everything sent before.
void wait_for_display(HDC target) {
    GetPixel(target, 0, 0);
}

void pump_messages() {
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&message);
}

double now_us() {
    return static_cast<double>(monotonic_ns()) / 1000.0;
}

void floor_paint(HDC target, int width, int height, COLORREF background) {
    DcGuard surface(CreateCompatibleDC(target));
    ObjectGuard image(CreateCompatibleBitmap(target, width, height));
    SelectionGuard selected = select_into(surface.get(), image.get());
    ObjectGuard brush(CreateSolidBrush(background));
    const RECT all{0, 0, width, height};
    FillRect(surface.get(), &all, static_cast<HBRUSH>(brush.get()));
    BitBlt(target, 0, 0, width, height, surface.get(), 0, 0, SRCCOPY);
}

// The same with a DIB section for the image, which under Wine is the cheaper
// kind of image at small sizes and the dearer one at large sizes.
void floor_paint_dib(HDC target, int width, int height, COLORREF background) {
    DcGuard surface(CreateCompatibleDC(target));
    BITMAPINFO info = top_down_image_info(width, height);
    void* bits = nullptr;
    ObjectGuard image(CreateDIBSection(surface.get(), &info, DIB_RGB_COLORS, &bits, nullptr, 0));
    SelectionGuard selected = select_into(surface.get(), image.get());
    ObjectGuard brush(CreateSolidBrush(background));
    const RECT all{0, 0, width, height};
    FillRect(surface.get(), &all, static_cast<HBRUSH>(brush.get()));
    BitBlt(target, 0, 0, width, height, surface.get(), 0, 0, SRCCOPY);
}

// A full ring of samples that rise, fall and cross, so that both colours and
// every bar length up to the scale maximum occur.
void fill_ring(TrafficGraph& graph) {
    std::uint32_t state = 12345;
    for (int i = 0; i < graph.capacity; ++i) {
        state = state * 1103515245u + 12345u;
        const std::int64_t download = static_cast<std::int64_t>((state >> 8) % 1000000);
        state = state * 1103515245u + 12345u;
        const std::int64_t upload = static_cast<std::int64_t>((state >> 8) % 1000000);
        graph.download_history[graph.head] = download;
        graph.upload_history[graph.head] = upload;
        graph.head = (graph.head + 1) % graph.capacity;
        if (graph.count < graph.capacity) ++graph.count;
    }
    graph.download_peak = history_peak(graph, graph.download_history);
    graph.upload_peak = history_peak(graph, graph.upload_history);
    graph.scale_max = std::max(graph.download_peak, graph.upload_peak);
    std::snprintf(graph.max_label, sizeof graph.max_label, "Max:  976.5 kB/s");
    std::snprintf(graph.download_label, sizeof graph.download_label, "Down:  512.0 kB/s");
    std::snprintf(graph.upload_label, sizeof graph.upload_label, "Up:  100.3 kB/s");
}

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

void bench_size(int width, int height, int calls_per_round) {
    HWND window = CreateWindowExA(WS_EX_TOPMOST, window_class, "paint bench", WS_POPUP | WS_VISIBLE, 0, 0,
                                  width, height, nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
    pump_messages();
    RECT client{};
    GetClientRect(window, &client);
    resize_graph(traffic_graph, client.right, client.bottom);
    fill_ring(traffic_graph);

    HDC target = GetDC(window);
    wait_for_display(target);
    std::vector<double> paint_rounds, render_rounds, floor_rounds, dib_floor_rounds;
    for (int round = 0; round < 7; ++round) {
        // Alternate the two so that both see the same machine and server state.
        double start = now_us();
        for (int i = 0; i < calls_per_round; ++i) paint_graph(traffic_graph, target);
        wait_for_display(target);
        paint_rounds.push_back((now_us() - start) / calls_per_round);
        start = now_us();
        for (int i = 0; i < calls_per_round; ++i) render_graph_image(traffic_graph, target);
        render_rounds.push_back((now_us() - start) / calls_per_round);
        start = now_us();
        for (int i = 0; i < calls_per_round; ++i)
            floor_paint(target, client.right, client.bottom, traffic_graph.colors.background);
        wait_for_display(target);
        floor_rounds.push_back((now_us() - start) / calls_per_round);
        start = now_us();
        for (int i = 0; i < calls_per_round; ++i)
            floor_paint_dib(target, client.right, client.bottom, traffic_graph.colors.background);
        wait_for_display(target);
        dib_floor_rounds.push_back((now_us() - start) / calls_per_round);
        pump_messages();
    }
    ReleaseDC(window, target);
    DestroyWindow(window);
    pump_messages();

    // The floor is the cheaper of the two kinds of image.
    const double paint = median(paint_rounds), render = median(render_rounds);
    const double compatible_floor = median(floor_rounds), dib_floor = median(dib_floor_rounds);
    const double floor = std::min(compatible_floor, dib_floor);
    std::printf(
        "%4ld x %4ld  paint_graph %7.1f us (off-screen part %7.1f us)   floor %7.1f us "
        "(compatible bitmap %7.1f, DIB section %7.1f)   paint/floor %.2f\n",
        client.right, client.bottom, paint, render, floor, compatible_floor, dib_floor, paint / floor);
}

void bench_sample() {
    select_download_interface(traffic_graph, "*");
    select_upload_interface(traffic_graph, "*");
    for (int i = 0; i < 5; ++i) sample(traffic_graph);
    constexpr int calls = 500;
    const double start = now_us();
    for (int i = 0; i < calls; ++i) sample(traffic_graph);
    std::printf("sample(traffic_graph), \"*\" both ways: %.1f us per call (%d calls)\n",
                (now_us() - start) / calls, calls);
}

// A tick at the defaults (the adapter of the default route both ways, the
// window at 200 x 80) against the same tick with every adapter counted: the
// whole table read and counted every tenth tick, today's and this month's
// figures derived every tick. Alternating rounds of 100 ticks, medians.
void bench_counting() {
    char name[sizeof traffic_graph.download_interface] = "*";
    if (!default_route_instance(name, sizeof name)) std::snprintf(name, sizeof name, "*");
    select_download_interface(traffic_graph, name);
    select_upload_interface(traffic_graph, name);
    HWND window = CreateWindowExA(WS_EX_TOPMOST, window_class, "paint bench", WS_POPUP | WS_VISIBLE, 0, 0,
                                  200, 80, nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
    pump_messages();
    RECT client{};
    GetClientRect(window, &client);
    resize_graph(traffic_graph, client.right, client.bottom);
    HDC target = GetDC(window);
    static NamedInterfaces reading;
    usage_count = {};
    for (int i = 0; i < 5; ++i) sample(traffic_graph);
    constexpr int ticks = 100;
    std::vector<double> plain_rounds, counting_rounds, reading_rounds;
    for (int round = 0; round < 15; ++round) {
        double start = now_us();
        for (int i = 0; i < ticks; ++i) {
            sample(traffic_graph);
            paint_graph(traffic_graph, target);
        }
        wait_for_display(target);
        plain_rounds.push_back((now_us() - start) / ticks);
        double reading_us = 0;
        start = now_us();
        for (int i = 0; i < ticks; ++i) {
            sample(traffic_graph);
            paint_graph(traffic_graph, target);
            if (i % 10 == 0) {
                const double read_start = now_us();
                if (read_named_interfaces(&reading)) count_reading(usage_count, reading, 20000, true, read_uptime_ms());
                reading_us += now_us() - read_start;
            }
            derive_usage_periods(usage_count, name, name);
        }
        wait_for_display(target);
        counting_rounds.push_back((now_us() - start) / ticks);
        reading_rounds.push_back(reading_us / (ticks / 10));
        pump_messages();
    }
    ReleaseDC(window, target);
    DestroyWindow(window);
    pump_messages();
    const double plain = median(plain_rounds), counting = median(counting_rounds);
    std::printf(
        "a tick at the defaults (\"%s\", 200 x 80): %.1f us; counting every adapter too: %.1f us (%+.1f %%); "
        "one reading of the whole table and its count: %.1f us, %d adapters\n",
        name, plain, counting, (counting / plain - 1) * 100, median(reading_rounds),
        static_cast<int>(usage_count.adapters.size()));
}

}  // namespace

int main() {
    WNDCLASSEXA description{};
    description.cbSize = sizeof description;
    description.lpfnWndProc = bench_window_procedure;
    description.hInstance = GetModuleHandleA(nullptr);
    description.lpszClassName = window_class;
    RegisterClassExA(&description);

    create_traffic_graph();
    bench_size(200, 80, 400);
    bench_size(1000, 200, 100);
    bench_size(1920, 1080, 20);
    bench_sample();
    bench_counting();
    destroy_traffic_graph();
    return 0;
}
