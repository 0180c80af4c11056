#include "dialogs/contrast_note.h"

#include "app/high_contrast.h"
#include "resources/resource.h"

namespace {

constexpr int note_band_units = 12;  // dialog units: the line and the space below it

}  // namespace

void show_contrast_note(HWND dialog) {
    HWND note = GetDlgItem(dialog, IDC_HIGH_CONTRAST_NOTE);
    if (!note) return;
    const bool on = high_contrast_on();
    RECT line{};
    GetWindowRect(note, &line);
    MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&line), 2);
    RECT band{0, 0, 0, note_band_units};
    MapDialogRect(dialog, &band);
    RECT client{};
    GetClientRect(dialog, &client);
    const int wanted = line.top + (on ? band.bottom : 0);
    if (client.bottom != wanted) {
        RECT outer{};
        GetWindowRect(dialog, &outer);
        SetWindowPos(dialog, nullptr, 0, 0, outer.right - outer.left,
                     outer.bottom - outer.top + wanted - client.bottom,
                     SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
    ShowWindow(note, on ? SW_SHOWNA : SW_HIDE);
}
