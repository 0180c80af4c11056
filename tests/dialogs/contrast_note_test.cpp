// The Configuration dialog while high contrast is on: one line says that its
// colours are in use, the graph window stays opaque whatever the slider
// previews, and a switch while the dialog is open shows or hides the line.
#include <windows.h>

#include <commctrl.h>

#include "app/app.h"
#include "app/high_contrast.h"
#include "app/window_options.h"
#include "dialog_driver.h"
#include "dialog_fixture.h"
#include "dialogs/config_dialog.h"
#include "resources/resource.h"

namespace {

bool contrast_flag = false;

class ContrastNoteTest : public DialogTest {
protected:
    void SetUp() override {
        DialogTest::SetUp();
        read_high_contrast = [] { return contrast_flag; };
    }
    void TearDown() override {
        read_high_contrast = system_high_contrast;
        end_high_contrast();
        DialogTest::TearDown();
    }
};

int client_height(HWND dialog) {
    RECT client{};
    GetClientRect(dialog, &client);
    return client.bottom;
}

bool layered() {
    return (GetWindowLongA(main_window, GWL_EXSTYLE) & WS_EX_LAYERED) != 0;
}

TEST_F(ContrastNoteTest, LineShowsWhileHighContrastIsOn) {
    alpha = 200;
    apply_transparency();
    contrast_flag = true;
    bool note_on = false, note_off = true, opaque_on = false, layered_off = false;
    int height_on = 0, height_off = 0, line_band = 0;
    const bool in_time = run_with_steps([] { open_dialog(IDD_CONFIG, config_dialog_proc); },
                                        {{"Configuration", [&](HWND dialog) {
                                              HWND note = GetDlgItem(dialog, IDC_HIGH_CONTRAST_NOTE);
                                              note_on = IsWindowVisible(note);
                                              height_on = client_height(dialog);
                                              RECT band{0, 0, 0, 12};
                                              MapDialogRect(dialog, &band);
                                              line_band = band.bottom;
                                              // The slider previews; the window stays opaque.
                                              HWND slider = GetDlgItem(dialog, IDC_ALPHA);
                                              SendMessageA(slider, TBM_SETPOS, TRUE, 100);
                                              UpdateWindow(slider);
                                              opaque_on = !layered();
                                              contrast_flag = false;
                                              SendMessageA(dialog, WM_SYSCOLORCHANGE, 0, 0);
                                              note_off = IsWindowVisible(note);
                                              height_off = client_height(dialog);
                                              layered_off = layered();
                                              SendMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
                                          }}});
    ASSERT_TRUE(in_time);
    EXPECT_TRUE(note_on);
    EXPECT_FALSE(note_off);
    EXPECT_EQ(height_on - height_off, line_band) << "the dialog ends above the line while it is hidden";
    EXPECT_TRUE(opaque_on);
    EXPECT_TRUE(layered_off) << "the preview's transparency once high contrast ends";
    EXPECT_EQ(alpha, 200) << "the user's transparency, put back by Cancel";
}

}  // namespace
