// The About box: links, cursor, icon toggle and keys.
#include <string>

#include <cstdint>
#include <vector>

#include "app/app.h"
#include "app/high_contrast.h"
#include "app/program_icon.h"
#include "app/window_dpi.h"
#include "dialog_driver.h"
#include "dialog_fixture.h"
#include "dialogs/about_dialog.h"
#include "resources/resource.h"
#include "support/icon_pixels.h"

namespace {

constexpr char title[] = "About mivrel";
constexpr COLORREF link_blue = 0xEE0000;

INT_PTR open_about(const std::vector<UiStep>& steps, bool* in_time) {
    INT_PTR result = -1;
    *in_time = run_with_steps([&] { result = open_dialog(IDD_ABOUT, about_dialog_proc); }, steps);
    return result;
}

// Which of the program's icons the control shows and at what size: the one
// whose own image of that size has the same pixels (0 for neither).
struct ShownIcon {
    int id;
    int size;
};

ShownIcon shown_icon(HWND dialog) {
    HICON icon = reinterpret_cast<HICON>(SendDlgItemMessageA(dialog, IDC_ABOUT_ICON, STM_GETICON, 0, 0));
    ShownIcon shown{0, 0};
    const std::vector<std::uint32_t> pixels = icon_pixels(icon, shown.size);
    for (int id : {IDI_MAIN, IDI_ABOUT}) {
        HICON own = static_cast<HICON>(
            LoadImageA(instance, MAKEINTRESOURCEA(id), IMAGE_ICON, shown.size, shown.size, 0));
        int size = 0;
        if (icon_pixels(own, size) == pixels) shown.id = id;
        DestroyIcon(own);
    }
    return shown;
}

void click_icon(HWND dialog) {
    HWND icon = GetDlgItem(dialog, IDC_ABOUT_ICON);
    SendMessageA(icon, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(4, 4));
    SendMessageA(icon, WM_LBUTTONUP, 0, MAKELPARAM(4, 4));
}

// The cursor that the platform would set with the pointer over the middle of
// a control: the message goes to the window the point hits, as it does for
// real mouse movement.
HCURSOR cursor_over(HWND control) {
    RECT box{};
    GetWindowRect(control, &box);
    POINT middle{(box.left + box.right) / 2, (box.top + box.bottom) / 2};
    HWND hit = WindowFromPoint(middle);
    SetCursor(nullptr);
    SendMessageA(hit, WM_SETCURSOR, reinterpret_cast<WPARAM>(hit), MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
    return GetCursor();
}

void press_enter_on_focus(HWND dialog) {
    HWND focus = GetFocus();
    press_key(focus && IsChild(dialog, focus) ? focus : dialog, VK_RETURN);
}

using AboutDialogTest = DialogTest;

int dpi_144(HWND) {
    return 144;
}

// Each icon is loaded at the large-icon size of the dialog's DPI, again at a
// move to a screen of another scale, and destroyed when replaced or closed.
TEST_F(AboutDialogTest, IconFlagLastsAcrossOpenings) {
    about_icon_flag = 0;
    ShownIcon at_open{}, first{}, second{}, third{}, at_144{};
    const ProgramIconCounts before = program_icon_counts;
    bool in_time = false;
    open_about({{title,
                 [&](HWND dialog) {
                     at_open = shown_icon(dialog);
                     click_icon(dialog);
                     first = shown_icon(dialog);
                     click_icon(dialog);
                     second = shown_icon(dialog);
                     click_icon(dialog);
                     third = shown_icon(dialog);
                     window_dpi = dpi_144;
                     RECT outer{};
                     GetWindowRect(dialog, &outer);
                     SendMessageA(dialog, WM_DPICHANGED, MAKEWPARAM(144, 144),
                                  reinterpret_cast<LPARAM>(&outer));
                     at_144 = shown_icon(dialog);
                     window_dpi = platform_window_dpi;
                     click(dialog, IDOK);
                 }}},
               &in_time);
    window_dpi = platform_window_dpi;
    ASSERT_TRUE(in_time);
    EXPECT_EQ(at_open.id, IDI_MAIN);
    EXPECT_EQ(first.id, IDI_ABOUT);
    EXPECT_EQ(second.id, IDI_MAIN);
    EXPECT_EQ(third.id, IDI_ABOUT);
    EXPECT_EQ(about_icon_flag, 1);
    for (const ShownIcon& shown : {at_open, first, second, third})
        EXPECT_EQ(shown.size, GetSystemMetrics(SM_CXICON));
    EXPECT_EQ(at_144.id, IDI_ABOUT);
    EXPECT_EQ(at_144.size, 48);
    EXPECT_EQ(program_icon_counts.loaded - before.loaded, 5);
    EXPECT_EQ(program_icon_counts.destroyed - before.destroyed, 5);

    // Opened again: the main icon shows, and the flag left set makes the next click load it again.
    open_about({{title,
                 [&](HWND dialog) {
                     at_open = shown_icon(dialog);
                     click_icon(dialog);
                     first = shown_icon(dialog);
                     click_icon(dialog);
                     second = shown_icon(dialog);
                     click(dialog, IDOK);
                 }}},
               &in_time);
    ASSERT_TRUE(in_time);
    EXPECT_EQ(at_open.id, IDI_MAIN);
    EXPECT_EQ(first.id, IDI_MAIN);
    EXPECT_EQ(second.id, IDI_ABOUT);
}

TEST_F(AboutDialogTest, HandCursorOnlyOverTheLinks) {
    HCURSOR hand = LoadCursorA(nullptr, IDC_HAND);
    HCURSOR arrow = LoadCursorA(nullptr, IDC_ARROW);
    HCURSOR over_mail = nullptr, over_web = nullptr, over_version = nullptr, over_ok = nullptr,
            over_icon = nullptr;
    bool in_time = false;
    open_about({{title,
                 [&](HWND dialog) {
                     over_mail = cursor_over(GetDlgItem(dialog, IDC_MAIL_LINK));
                     over_web = cursor_over(GetDlgItem(dialog, IDC_WEB_LINK));
                     over_version =
                         cursor_over(FindWindowExA(dialog, nullptr, "Static", "Version 1.1.2 (2010.06.17)"));
                     over_ok = cursor_over(GetDlgItem(dialog, IDOK));
                     over_icon = cursor_over(GetDlgItem(dialog, IDC_ABOUT_ICON));
                     press_key(dialog, VK_ESCAPE);
                 }}},
               &in_time);
    ASSERT_TRUE(in_time);
    EXPECT_EQ(over_mail, hand);
    EXPECT_EQ(over_web, hand);
    EXPECT_EQ(over_version, arrow);
    EXPECT_EQ(over_ok, arrow);
    EXPECT_EQ(over_icon, arrow);
}

TEST_F(AboutDialogTest, OnlyTheLinksAreBlueAndOnTheDialogBackground) {
    const COLORREF face = GetSysColor(COLOR_BTNFACE);
    Capture mail, web, version, thanks;
    bool in_time = false;
    open_about({{title,
                 [&](HWND dialog) {
                     mail = capture_client(GetDlgItem(dialog, IDC_MAIL_LINK));
                     web = capture_client(GetDlgItem(dialog, IDC_WEB_LINK));
                     version = capture_client(
                         FindWindowExA(dialog, nullptr, "Static", "Version 1.1.2 (2010.06.17)"));
                     thanks = capture_client(GetDlgItem(dialog, IDC_ACKNOWLEDGEMENTS));
                     press_key(dialog, VK_ESCAPE);
                 }}},
               &in_time);
    ASSERT_TRUE(in_time);
    for (const Capture* link : {&mail, &web}) {
        const int total = link->width * link->height;
        ASSERT_GT(total, 0);
        EXPECT_GT(link->count(link_blue), 10);
        // Blue text on the dialog's own face, nothing else.
        EXPECT_GT(link->count(link_blue) + link->count(face), total * 8 / 10);
    }
    EXPECT_EQ(version.count(link_blue), 0);
    EXPECT_GT(version.count(GetSysColor(COLOR_BTNTEXT)), 10);
    EXPECT_EQ(thanks.count(link_blue), 0);
}

bool contrast_on = false;

// In high contrast the links take the theme's colour for links, which its
// background is made for; the fixed blue could not be read on a black one.
TEST_F(AboutDialogTest, LinksTakeTheThemesLinkColourInHighContrast) {
    ASSERT_NE(GetSysColor(COLOR_HOTLIGHT), link_blue);
    read_high_contrast = [] { return contrast_on; };
    for (bool contrast : {false, true}) {
        contrast_on = contrast;
        follow_high_contrast();
        HDC surface = CreateCompatibleDC(nullptr);
        bool in_time = false;
        open_about({{title,
                     [&](HWND dialog) {
                         SendMessageA(dialog, WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(surface),
                                      reinterpret_cast<LPARAM>(GetDlgItem(dialog, IDC_WEB_LINK)));
                         press_key(dialog, VK_ESCAPE);
                     }}},
                   &in_time);
        EXPECT_TRUE(in_time);
        EXPECT_EQ(GetTextColor(surface), contrast ? GetSysColor(COLOR_HOTLIGHT) : link_blue);
        DeleteDC(surface);
    }
    read_high_contrast = system_high_contrast;
    end_high_contrast();
}

TEST_F(AboutDialogTest, EnterClosesWithOkAndEscapeWithCancel) {
    bool in_time = false;
    std::string acknowledgements;
    HWND focused = nullptr, ok = nullptr;
    INT_PTR by_enter = open_about({{title,
                                    [&](HWND dialog) {
                                        acknowledgements = control_text(dialog, IDC_ACKNOWLEDGEMENTS);
                                        focused = GetFocus();
                                        ok = GetDlgItem(dialog, IDOK);
                                        press_enter_on_focus(dialog);
                                    }}},
                                  &in_time);
    EXPECT_TRUE(in_time);
    EXPECT_EQ(by_enter, IDOK);
    EXPECT_EQ(focused, ok);
    // Names one per line, then an empty line and a closing sentence.
    EXPECT_NE(acknowledgements.find("MinGW-w64\r\nGCC\r\n"), std::string::npos);
    EXPECT_NE(acknowledgements.find("\r\n\r\n"), std::string::npos);
    EXPECT_EQ(acknowledgements.back(), '.');

    INT_PTR by_escape = open_about(
        {{title, [&](HWND dialog) { press_key(GetFocus() ? GetFocus() : dialog, VK_ESCAPE); }}}, &in_time);
    EXPECT_TRUE(in_time);
    EXPECT_EQ(by_escape, IDCANCEL);
}

}  // namespace
