// The placement decisions a one-monitor desktop cannot show.
#include "app/window_placement.h"

#include <gtest/gtest.h>

namespace {

const MonitorArea primary{{0, 0, 1024, 768}, {0, 0, 1024, 728}};
const MonitorArea second{{1024, 0, 2944, 1080}, {1024, 0, 2944, 1040}};

struct FitCase {
    const char* name;
    RECT saved;
    int monitors;  // the primary alone, or with the second to its right
    RECT placed;
};

TEST(WindowPlacement, ASavedPlaceMostlyOffEveryMonitorMovesOntoTheNearest) {
    const MonitorArea both[] = {primary, second};
    const FitCase cases[] = {
        {"on the primary", {10, 10, 210, 90}, 1, {10, 10, 210, 90}},
        {"on the second", {1500, 100, 1700, 180}, 2, {1500, 100, 1700, 180}},
        {"second gone", {1500, 100, 1700, 180}, 1, {824, 100, 1024, 180}},
        {"half on", {-100, 10, 100, 90}, 1, {-100, 10, 100, 90}},
        {"mostly off", {-150, 10, 50, 90}, 1, {0, 10, 200, 90}},
        {"below everything", {100, 5000, 300, 5080}, 1, {100, 648, 300, 728}},
        {"too large", {3000, -50, 5000, 2000}, 1, {0, 0, 1024, 728}},
    };
    for (const FitCase& c : cases) {
        const RECT placed = fit_onto_monitors(c.saved, both, c.monitors);
        EXPECT_TRUE(EqualRect(&placed, &c.placed)) << c.name << ": " << placed.left << "," << placed.top
                                                   << "," << placed.right << "," << placed.bottom;
    }
}

TEST(WindowPlacement, MaximisedFillsTheWorkAreaRelativeToItsMonitor) {
    const MonitorArea taskbar_left{{1024, 0, 2944, 1080}, {1064, 0, 2944, 1080}};
    MINMAXINFO limits{};
    limit_maximised_to_work_area(limits, taskbar_left);
    EXPECT_EQ(limits.ptMaxPosition.x, 40);
    EXPECT_EQ(limits.ptMaxPosition.y, 0);
    EXPECT_EQ(limits.ptMaxSize.x, 1880);
    EXPECT_EQ(limits.ptMaxSize.y, 1080);
}

// Windows enlarges a maximised size at least the primary monitor's (1920 x
// 1080) by the difference in size of the monitor it goes to.
TEST(WindowPlacement, MaximisedIsKeptWithinTheWorkAreaOfItsMonitor) {
    const struct {
        const char* name;
        RECT proposed, work, kept;
    } cases[] = {
        {"larger second", {1920, 0, 5120, 1760}, {1920, 0, 4480, 1400}, {1920, 0, 4480, 1400}},
        {"smaller second", {-1280, 0, 640, 1040}, {-1280, 0, 0, 984}, {-1280, 0, 0, 984}},
        {"taskbar at the left", {1980, 0, 5120, 1800}, {1980, 0, 4480, 1440}, {1980, 0, 4480, 1440}},
    };
    for (const auto& c : cases) {
        const RECT kept = clamp_to_work_area(c.proposed, c.work);
        EXPECT_TRUE(EqualRect(&kept, &c.kept))
            << c.name << ": " << kept.left << "," << kept.top << "," << kept.right << "," << kept.bottom;
    }
}

}  // namespace
