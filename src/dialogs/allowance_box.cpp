#include "dialogs/allowance_box.h"

#include <cwchar>

#include "monitor/data_plan.h"
#include "monitor/locale_number.h"

namespace {

constexpr int gigabyte_decimals = 3;  // GB typed, MB kept
// The largest allowance takes 17 characters in thousands, more with wide separators.
constexpr int typed_length_max = 40;

}  // namespace

bool read_allowance_box(HWND box, bool gigabytes, std::int64_t* limit_mb) {
    wchar_t text[64] = {};
    if (GetWindowTextLengthW(box) >= static_cast<int>(sizeof text / sizeof *text)) return false;
    GetWindowTextW(box, text, sizeof text / sizeof *text);
    std::uint64_t megabytes = 0;
    if (!read_locale_number(text, user_number_form(), gigabytes ? gigabyte_decimals : 0,
                            static_cast<std::uint64_t>(plan_limit_mb_max), &megabytes) ||
        megabytes < 1)
        return false;
    *limit_mb = static_cast<std::int64_t>(megabytes);
    return true;
}

void show_allowance_box(HWND box, std::int64_t amount) {
    wchar_t text[64] = L"";
    if (amount > 0) write_locale_number(text, static_cast<std::uint64_t>(amount), 0, user_number_form());
    SetWindowTextW(box, text);
    SendMessageW(box, EM_LIMITTEXT, typed_length_max, 0);
}

void allowance_hint(wchar_t (&text)[192]) {
    const NumberForm form = user_number_form();
    wchar_t grouped[64], decimal[64];
    write_locale_number(grouped, 1200, 0, form);
    write_locale_number(decimal, 15, 1, form);
    std::swprintf(text, sizeof text / sizeof *text,
                  L"Type the allowance as one number, such as %ls or %ls, in MB or GB.", grouped, decimal);
}
