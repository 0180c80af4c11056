// What a screen reader or a keyboard user finds in the Configuration dialog
// and the About box: a name for every box, list, slider and swatch, and the
// focus shown on a swatch.
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
#include "monitor/traffic_graph.h"
#include "resources/resource.h"

namespace {

struct Annotated {
    std::string name, description;
    bool cleared = false;
};
std::map<HWND, Annotated> annotated;

void write_down(HWND control, ControlText what, const char* text) {
    if (!text)
        annotated[control].cleared = true;
    else
        (what == ControlText::name ? annotated[control].name : annotated[control].description) = text;
}

std::string class_of(HWND window) {
    char name[64] = {};
    GetClassNameA(window, name, sizeof name);
    return name;
}

// The dialog's controls whose name Windows' standard objects take from
// elsewhere than their own text: edits, combo boxes, trackbars, owner-drawn buttons.
std::vector<HWND> named_from_elsewhere(HWND dialog) {
    std::vector<HWND> found;
    for (HWND child = GetWindow(dialog, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        const std::string kind = class_of(child);
        if (!lstrcmpiA(kind.c_str(), "Edit") || !lstrcmpiA(kind.c_str(), "ComboBox") ||
            !lstrcmpiA(kind.c_str(), TRACKBAR_CLASSA) ||
            (!lstrcmpiA(kind.c_str(), "Button") &&
             (GetWindowLongA(child, GWL_STYLE) & BS_TYPEMASK) == BS_OWNERDRAW))
            found.push_back(child);
    }
    return found;
}

std::string rgb_words(Colour colour) {
    return "Red " + std::to_string(GetRValue(colour)) + ", green " + std::to_string(GetGValue(colour)) +
           ", blue " + std::to_string(GetBValue(colour));
}

using ControlNamesTest = DialogTest;

// While the Configuration dialog or the About box is open, each of those
// controls has a name of its own, and none is left behind when it closes; a
// swatch says its colour, also after a theme changes it, and shows the focus
// with the dotted rectangle inside it, as buttons do.
TEST_F(ControlNamesTest, EachBoxListSliderAndSwatchIsNamedWhileItsDialogIsOpen) {
    const AnnotateControl real_annotation = annotate_control;
    annotate_control = write_down;
    const struct {
        int id;
        DLGPROC procedure;
        const char* title;
    } dialogs[] = {{IDD_CONFIG, config_dialog_proc, "Configuration"},
                   {IDD_ABOUT, about_dialog_proc, "About mivrel"}};
    for (const auto& d : dialogs) {
        std::vector<HWND> controls;
        std::set<std::string> names;
        Annotated lock, download;
        std::string rust_download;
        std::vector<int> marked;  // pixels of another colour than the swatch's, focused and not
        const auto look = [&](HWND dialog) {
            controls = named_from_elsewhere(dialog);
            for (HWND control : controls) names.insert(annotated[control].name);
            if (d.id != IDD_CONFIG) return press_key(dialog, VK_ESCAPE);
            HWND swatch = GetDlgItem(dialog, IDC_DOWNLOAD_SWATCH);
            lock = annotated[GetDlgItem(dialog, IDC_LOCK_MAX_VALUE)];
            download = annotated[swatch];
            for (HWND focus : {swatch, GetDlgItem(dialog, IDC_THEME)}) {
                SetFocus(focus);
                RedrawWindow(swatch, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
                const Capture shown = capture_client(swatch);
                marked.push_back(static_cast<int>(shown.pixels.size()) -
                                 shown.count(traffic_graph.colors.download));
            }
            choose_item(dialog, IDC_THEME, "Rust");
            rust_download = annotated[swatch].description;
            press_key(dialog, VK_ESCAPE);
        };
        ASSERT_TRUE(run_with_steps([&] { open_dialog(d.id, d.procedure); }, {{d.title, look}}));
        EXPECT_FALSE(controls.empty());
        EXPECT_EQ(names.size(), controls.size()) << d.title << ": one name each";
        EXPECT_EQ(names.count(""), 0u) << d.title;
        for (HWND control : controls) EXPECT_TRUE(annotated[control].cleared) << GetDlgCtrlID(control);
        if (d.id != IDD_CONFIG) continue;
        EXPECT_EQ(lock.name, "Lock graph max to");
        EXPECT_EQ(lock.description, "bytes/s");
        EXPECT_EQ(download.name, "Download colour");
        EXPECT_EQ(download.description, rgb_words(traffic_graph.colors.download));
        EXPECT_EQ(rust_download, rgb_words(find_theme("Rust")->download));
        ASSERT_EQ(marked.size(), 2u);
        EXPECT_GT(marked[0], 20) << "the focus rectangle";
        EXPECT_EQ(marked[1], 0) << "without the focus";
    }
    annotate_control = real_annotation;
}

}  // namespace
