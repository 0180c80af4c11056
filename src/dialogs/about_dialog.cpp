#include "dialogs/about_dialog.h"

#include <shellapi.h>

#include <utility>

#include "about_contact.h"
#include "app/app.h"
#include "app/high_contrast.h"
#include "app/program_icon.h"
#include "app/window_dpi.h"
#include "dialogs/control_names.h"
#include "resources/resource.h"

BYTE about_icon_flag = 0;

namespace {

constexpr COLORREF link_color = 0xEE0000;

constexpr char acknowledgements[] =
    "MinGW-w64\r\n"
    "GCC\r\n"
    "GNU Binutils\r\n"
    "CMake\r\n"
    "Ninja\r\n"
    "Wine\r\n"
    "Xvfb\r\n"
    "GoogleTest\r\n"
    "\r\n"
    "Thanks to everyone who makes and shares the tools mivrel is built and tested with.";

bool is_link(int id) {
    return id == IDC_MAIL_LINK || id == IDC_WEB_LINK;
}

void open_link(const char* target) {
    ShellExecuteA(nullptr, nullptr, target, nullptr, nullptr, SW_SHOWNORMAL);
}

// The icon shown, loaded for the dialog's DPI and ours to destroy; it
// replaces the template's (a shared one, never destroyed) at the opening.
HICON shown_icon = nullptr;
int shown_icon_id = IDI_MAIN;

// An icon that cannot be loaded leaves the control as it is.
void show_icon(HWND dialog, int id) {
    HICON icon = load_icon_for_dpi(id, window_dpi(dialog));
    if (!icon) return;
    SendMessageA(GetDlgItem(dialog, IDC_ABOUT_ICON), STM_SETIMAGE, IMAGE_ICON,
                 reinterpret_cast<LPARAM>(icon));
    destroy_loaded_icon(std::exchange(shown_icon, icon));
    shown_icon_id = id;
}

void toggle_icon(HWND dialog) {
    const int id = about_icon_flag ? IDI_MAIN : IDI_ABOUT;
    about_icon_flag = !about_icon_flag;
    show_icon(dialog, id);
}

INT_PTR on_initdialog(HWND dialog) {
    SetWindowTextA(GetDlgItem(dialog, IDC_ACKNOWLEDGEMENTS), acknowledgements);
    show_icon(dialog, IDI_MAIN);
    name_controls(dialog, IDD_ABOUT);
    return TRUE;
}

// A screen of another scale: the icon shown, loaded again for it.
INT_PTR on_dpichanged(HWND dialog) {
    show_icon(dialog, shown_icon_id);
    return FALSE;
}

// The control lets go of the icon before it goes.
INT_PTR on_destroy(HWND dialog) {
    clear_control_names(dialog, IDD_ABOUT);
    SendMessageA(GetDlgItem(dialog, IDC_ABOUT_ICON), STM_SETIMAGE, IMAGE_ICON, 0);
    destroy_loaded_icon(std::exchange(shown_icon, nullptr));
    return FALSE;
}

// The result must also go through the message result, or the default arrow
// would be set right after the hand.
INT_PTR on_setcursor(HWND dialog, HWND under_cursor) {
    if (!is_link(GetDlgCtrlID(under_cursor))) return FALSE;
    SetCursor(LoadCursorA(nullptr, IDC_HAND));
    SetWindowLongPtrA(dialog, DWLP_MSGRESULT, TRUE);
    return TRUE;
}

// Links are drawn in blue straight onto the dialog's own background; in high
// contrast in the theme's colour for links, which its background is made for.
INT_PTR on_ctlcolorstatic(HDC surface, HWND control) {
    if (!is_link(GetDlgCtrlID(control))) return FALSE;
    SetTextColor(surface, high_contrast_on() ? GetSysColor(COLOR_HOTLIGHT) : link_color);
    SetBkMode(surface, TRANSPARENT);
    return reinterpret_cast<INT_PTR>(GetStockObject(NULL_BRUSH));
}

// Only single clicks (code 0): a double click on a link opens it once.
INT_PTR on_command(HWND dialog, int id, int code) {
    if (code != 0) return FALSE;
    switch (id) {
        case IDOK:
        case IDCANCEL:
            EndDialog(dialog, id);
            return TRUE;
        case IDC_MAIL_LINK:
            open_link("mailto:" MIVREL_CONTACT_EMAIL "?Subject=mivrel");
            return TRUE;
        case IDC_WEB_LINK:
            open_link(MIVREL_WEBSITE "/code/?mivrel-about");
            return TRUE;
        case IDC_ABOUT_ICON:
            toggle_icon(dialog);
            return TRUE;
        default:
            return FALSE;
    }
}

}  // namespace

INT_PTR CALLBACK about_dialog_proc(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam) {
    switch (message) {
        case WM_INITDIALOG:
            return on_initdialog(dialog);
        case WM_SETCURSOR:
            return on_setcursor(dialog, reinterpret_cast<HWND>(wparam));
        case WM_CTLCOLORSTATIC:
            return on_ctlcolorstatic(reinterpret_cast<HDC>(wparam), reinterpret_cast<HWND>(lparam));
        case WM_COMMAND:
            return on_command(dialog, LOWORD(wparam), HIWORD(wparam));
        case WM_DPICHANGED:
            return on_dpichanged(dialog);
        case WM_DESTROY:
            return on_destroy(dialog);
        default:
            return FALSE;
    }
}
