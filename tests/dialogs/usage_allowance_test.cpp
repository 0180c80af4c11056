// The Usage window's allowance, typed and shown in the user's own number form.
#include <string>

#include "dialog_driver.h"
#include "dialog_fixture.h"
#include "dialogs/usage_chart_window.h"
#include "dialogs/usage_dialog.h"
#include "monitor/data_plan.h"
#include "resources/resource.h"

namespace {

constexpr LCTYPE number_form_types[] = {LOCALE_SDECIMAL, LOCALE_STHOUSAND};

std::wstring wide_text(HWND dialog, int id) {
    wchar_t text[256] = {};
    GetWindowTextW(GetDlgItem(dialog, id), text, 256);
    return text;
}

// Types `typed` where the user's number form has these separators, as Region
// settings set them; tells what the box showed and what the status line
// said. The user's own separators come back afterwards.
void type_allowance(const wchar_t* decimal, const wchar_t* group, const wchar_t* typed, int button,
                    std::wstring* shown, std::wstring* status) {
    wchar_t saved[2][16] = {};
    const wchar_t* values[] = {decimal, group};
    for (int i = 0; i < 2; ++i) {
        GetLocaleInfoW(LOCALE_USER_DEFAULT, number_form_types[i], saved[i], 16);
        EXPECT_TRUE(SetLocaleInfoW(LOCALE_USER_DEFAULT, number_form_types[i], values[i]));
    }
    register_usage_chart();
    EXPECT_TRUE(run_with_steps([] { open_dialog(IDD_USAGE, usage_dialog_proc); },
                               {{"Usage", [&](HWND dialog) {
                                     *shown = wide_text(dialog, IDC_PLAN_LIMIT);
                                     SetWindowTextW(GetDlgItem(dialog, IDC_PLAN_LIMIT), typed);
                                     *status = wide_text(dialog, IDC_PLAN_STATUS);
                                     click(dialog, button);
                                 }}}));
    for (int i = 0; i < 2; ++i) SetLocaleInfoW(LOCALE_USER_DEFAULT, number_form_types[i], saved[i]);
}

using UsageAllowanceTest = DialogTest;

// A comma groups thousands in one form and is the decimal point in another:
// "1,000" GB is a thousand GB, not one. What the form refuses is not kept.
TEST_F(UsageAllowanceTest, IsReadAndShownInTheUsersNumberForm) {
    data_plan.limit_mb = 1'200'000;
    std::wstring shown, status;
    type_allowance(L".", L",", L"1,000", IDOK, &shown, &status);
    EXPECT_EQ(shown, L"1,200");
    EXPECT_EQ(data_plan.limit_mb, 1'000'000);
    EXPECT_NE(read_settings_file().find("plan.limit_mb\t1000000\n"), std::string::npos);

    type_allowance(L",", L"\u202F", L"2.5", IDCANCEL, &shown, &status);
    EXPECT_EQ(shown, L"1\u202F000");
    EXPECT_EQ(status, L"Type the allowance as one number, such as 1\u202F200 or 1,5, in MB or GB.");
    // Grouped by narrow no-break spaces, typed with a plain one.
    type_allowance(L",", L"\u202F", L"2 500,5", IDOK, &shown, &status);
    EXPECT_EQ(data_plan.limit_mb, 2'500'500);
    data_plan = DataPlan{0, plan_default_start_day, false, plan_default_warn_percent, "*"};
}

}  // namespace
