// What a screen reader or a keyboard user finds in the dialogs: a name for
// every box, list, slider and swatch, and the focus shown on a swatch.
#include <windows.h>

#include <commctrl.h>

#include <map>
#include <set>
#include <string>
#include <vector>

#include "dialog_driver.h"
#include "dialog_fixture.h"
#include "dialogs/about_dialog.h"
#include "dialogs/config_dialog.h"
#include "dialogs/control_names.h"
#include "dialogs/swatches.h"
#include "dialogs/usage_chart_window.h"
#include "dialogs/usage_dialog.h"
#include "graph/themes.h"
#include "monitor/traffic_graph.h"
#include "resources/resource.h"

namespace {

struct Annotated {
    std::string name, description;
    bool cleared = false;
};
std::map<HWND, Annotated> annotated;

void write_down(HWND control, ControlText what, const char* text) {
    Annotated& control_texts = annotated[control];
    if (!text)
        control_texts.cleared = true;
    else
        (what == ControlText::name ? control_texts.name : control_texts.description) = text;
}

std::string class_of(HWND window) {
    char name[64] = {};
    GetClassNameA(window, name, sizeof name);
    return name;
}

// The controls whose name Windows' standard objects take from elsewhere
// than their own text.
bool named_from_elsewhere(HWND control) {
    const std::string kind = class_of(control);
    const LONG style = GetWindowLongA(control, GWL_STYLE);
    return !lstrcmpiA(kind.c_str(), "Edit") || !lstrcmpiA(kind.c_str(), "ComboBox") ||
           !lstrcmpiA(kind.c_str(), TRACKBAR_CLASSA) ||
           (!lstrcmpiA(kind.c_str(), "Button") && (style & BS_TYPEMASK) == BS_OWNERDRAW);
}

std::vector<HWND> controls_named_from_elsewhere(HWND dialog) {
    std::vector<HWND> found;
    for (HWND child = GetWindow(dialog, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
        if (named_from_elsewhere(child)) found.push_back(child);
    return found;
}

std::string rgb_words(Colour colour) {
    return "Red " + std::to_string(GetRValue(colour)) + ", green " + std::to_string(GetGValue(colour)) +
           ", blue " + std::to_string(GetBValue(colour));
}

class ControlNamesTest : public DialogTest {
protected:
    void SetUp() override {
        DialogTest::SetUp();
        annotate_control = write_down;
        annotated.clear();
    }
    void TearDown() override {
        annotate_control = real_annotation;
        DialogTest::TearDown();
    }
    const AnnotateControl real_annotation = annotate_control;
};

// While the Configuration dialog or the About box is open, each of those
// controls has a name of its own, and none is left behind when it closes;
// a swatch says its colour, also after a theme changes it.
TEST_F(ControlNamesTest, EachBoxListSliderAndSwatchIsNamedWhileItsDialogIsOpen) {
    const struct {
        int id;
        DLGPROC procedure;
        const char* title;
    } dialogs[] = {{IDD_CONFIG, config_dialog_proc, "Configuration"},
                   {IDD_ABOUT, about_dialog_proc, "About mivrel"}};
    for (const auto& d : dialogs) {
        std::vector<HWND> controls;
        Annotated lock, download, rust_download;
        const bool in_time =
            run_with_steps([&] { open_dialog(d.id, d.procedure); },
                           {{d.title, [&](HWND dialog) {
                                 controls = controls_named_from_elsewhere(dialog);
                                 std::set<std::string> names;
                                 for (HWND control : controls) {
                                     const std::string& name = annotated[control].name;
                                     EXPECT_FALSE(name.empty()) << d.title << " " << GetDlgCtrlID(control);
                                     EXPECT_TRUE(names.insert(name).second) << "\"" << name << "\" twice";
                                 }
                                 if (d.id == IDD_CONFIG) {
                                     lock = annotated[GetDlgItem(dialog, IDC_LOCK_MAX_VALUE)];
                                     download = annotated[GetDlgItem(dialog, IDC_DOWNLOAD_SWATCH)];
                                     choose_item(dialog, IDC_THEME, "Rust");
                                     rust_download = annotated[GetDlgItem(dialog, IDC_DOWNLOAD_SWATCH)];
                                 }
                                 press_key(dialog, VK_ESCAPE);
                             }}});
        ASSERT_TRUE(in_time);
        EXPECT_FALSE(controls.empty());
        for (HWND control : controls) EXPECT_TRUE(annotated[control].cleared) << GetDlgCtrlID(control);
        if (d.id != IDD_CONFIG) continue;
        EXPECT_EQ(lock.name, "Lock graph max to");
        EXPECT_EQ(lock.description, "bytes/s");
        EXPECT_EQ(download.name, "Download colour");
        EXPECT_EQ(download.description, rgb_words(traffic_graph.colors.download));
        EXPECT_EQ(rust_download.description, rgb_words(find_theme("Rust")->download));
    }
}

// Pixels of a swatch's client area that are not its colour, drawn with this
// item state onto an image of its size.
int marked_pixels(HWND swatch, UINT state, COLORREF colour) {
    RECT box{};
    GetClientRect(swatch, &box);
    HDC screen = GetDC(swatch);
    HDC memory = CreateCompatibleDC(screen);
    HBITMAP image = CreateCompatibleBitmap(screen, box.right, box.bottom);
    HGDIOBJ previous = SelectObject(memory, image);
    DRAWITEMSTRUCT item{
        ODT_BUTTON, static_cast<UINT>(GetDlgCtrlID(swatch)), 0, ODA_DRAWENTIRE, state, swatch, memory, box,
        0};
    draw_swatch(item);
    int marked = 0;
    for (int y = 0; y < box.bottom; ++y)
        for (int x = 0; x < box.right; ++x) marked += GetPixel(memory, x, y) != colour;
    SelectObject(memory, previous);
    DeleteObject(image);
    DeleteDC(memory);
    ReleaseDC(swatch, screen);
    return marked;
}

// A swatch with the focus shows the dotted focus rectangle inside it, as
// buttons do; without the focus, or while Windows hides the keyboard cues
// (nothing done by keyboard yet), it is its colour alone.
TEST_F(ControlNamesTest, SwatchShowsTheFocusUnlessTheKeyboardCuesAreHidden) {
    std::vector<int> marked;
    const bool in_time = run_with_steps(
        [] { open_dialog(IDD_CONFIG, config_dialog_proc); },
        {{"Configuration", [&](HWND dialog) {
              HWND swatch = GetDlgItem(dialog, IDC_DOWNLOAD_SWATCH);
              const COLORREF colour = traffic_graph.colors.download;
              for (HWND focus : {swatch, GetDlgItem(dialog, IDC_THEME)}) {
                  SetFocus(focus);
                  RedrawWindow(swatch, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
                  const Capture shown = capture_client(swatch);
                  marked.push_back(static_cast<int>(shown.pixels.size()) - shown.count(colour));
              }
              marked.push_back(marked_pixels(swatch, ODS_FOCUS | ODS_NOFOCUSRECT, colour));
              press_key(dialog, VK_ESCAPE);
          }}});
    ASSERT_TRUE(in_time);
    ASSERT_EQ(marked.size(), 3u);
    EXPECT_GT(marked[0], 20) << "the focus rectangle";
    EXPECT_EQ(marked[1], 0) << "another control has the focus";
    EXPECT_EQ(marked[2], 0) << "the keyboard cues are hidden";
}

// The label Windows' standard objects name a box or list by: the nearest
// static before it, the search ending at a control that starts a group and
// takes the tab.
std::string documented_label(HWND control) {
    for (HWND before = GetWindow(control, GW_HWNDPREV); before; before = GetWindow(before, GW_HWNDPREV)) {
        if (!lstrcmpiA(class_of(before).c_str(), "Static")) {
            char text[128] = {};
            GetWindowTextA(before, text, sizeof text);
            return text;
        }
        if ((GetWindowLongA(before, GWL_STYLE) & (WS_GROUP | WS_TABSTOP)) == (WS_GROUP | WS_TABSTOP))
            return "";
    }
    return "";
}

// The Usage window is the program's own: each box and list comes right after
// the label that names it.
TEST_F(ControlNamesTest, UsageWindowLabelsPrecedeTheirBoxes) {
    const std::map<int, std::string> labels = {{IDC_USAGE_ADAPTER, "&Adapter:"},
                                               {IDC_PLAN_LIMIT, "A&llowance:"},
                                               {IDC_PLAN_UNIT, "A&llowance:"},
                                               {IDC_PLAN_START_DAY, "a month, from day"},
                                               {IDC_PLAN_WARN, "&Warn at"}};
    std::map<int, std::string> found;
    register_usage_chart();
    const bool in_time = run_with_steps([] { open_dialog(IDD_USAGE, usage_dialog_proc); },
                                        {{"Usage", [&](HWND dialog) {
                                              for (HWND control : controls_named_from_elsewhere(dialog))
                                                  found[GetDlgCtrlID(control)] = documented_label(control);
                                              press_key(dialog, VK_ESCAPE);
                                          }}});
    ASSERT_TRUE(in_time);
    EXPECT_EQ(found, labels);
}

}  // namespace
