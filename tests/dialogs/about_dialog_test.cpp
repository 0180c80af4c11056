// The About box: links, cursor, icon toggle and keys.
#include <string>

#include "app/app.h"
#include "dialog_driver.h"
#include "dialog_fixture.h"
#include "dialogs/about_dialog.h"
#include "resources/resource.h"

namespace {

constexpr char title[] = "About mivrel";
constexpr COLORREF link_blue = 0xEE0000;

INT_PTR open_about(const std::vector<UiStep>& steps, bool* in_time) {
    INT_PTR result = -1;
    *in_time = run_with_steps([&] { result = open_dialog(IDD_ABOUT, about_dialog_proc); }, steps);
    return result;
}

HICON shown_icon(HWND dialog) {
    return reinterpret_cast<HICON>(SendDlgItemMessageA(dialog, IDC_ABOUT_ICON, STM_GETICON, 0, 0));
}

HICON resource_icon(int id) {
    return LoadIconA(instance, MAKEINTRESOURCEA(id));
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

TEST_F(AboutDialogTest, IconFlagLastsAcrossOpenings) {
    about_icon_flag = 0;
    HICON at_open = nullptr, first = nullptr, second = nullptr, third = nullptr;
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
                     click(dialog, IDOK);
                 }}},
               &in_time);
    ASSERT_TRUE(in_time);
    EXPECT_EQ(at_open, resource_icon(IDI_MAIN));
    EXPECT_EQ(first, resource_icon(IDI_ABOUT));
    EXPECT_EQ(second, resource_icon(IDI_MAIN));
    EXPECT_EQ(third, resource_icon(IDI_ABOUT));
    EXPECT_EQ(about_icon_flag, 1);

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
    EXPECT_EQ(at_open, resource_icon(IDI_MAIN));
    EXPECT_EQ(first, resource_icon(IDI_MAIN));
    EXPECT_EQ(second, resource_icon(IDI_ABOUT));
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
