#include <windows.h>

#include "monitor/locale_number.h"

// With the user's own overrides of Region settings, as every number the user
// types elsewhere is read.
NumberForm user_number_form() {
    NumberForm form{};
    if (GetLocaleInfoEx(LOCALE_NAME_USER_DEFAULT, LOCALE_SDECIMAL, form.decimal,
                        sizeof form.decimal / sizeof *form.decimal) &&
        GetLocaleInfoEx(LOCALE_NAME_USER_DEFAULT, LOCALE_STHOUSAND, form.group,
                        sizeof form.group / sizeof *form.group) &&
        GetLocaleInfoEx(LOCALE_NAME_USER_DEFAULT, LOCALE_SGROUPING, form.grouping,
                        sizeof form.grouping / sizeof *form.grouping))
        return form;
    return NumberForm{L".", L",", L"3;0"};
}
