// The data plan's allowance box in the Usage window: typed and shown as the
// user writes numbers ("1,200", "1.200", "1 200,5"), in GB or MB.
#pragma once

#include <windows.h>

#include <cstdint>

// The allowance in the box in MB, typed in GB (three decimals kept) or in
// whole MB. False for anything but one number in the user's form, or one
// that is not 1 MB to the plan's maximum: nothing refused is kept.
bool read_allowance_box(HWND box, bool gigabytes, std::int64_t* limit_mb);

// Shows a whole number of GB or MB in the user's form.
void show_allowance_box(HWND box, std::int64_t amount);

// What to type, its examples in the user's form.
void allowance_hint(wchar_t (&text)[192]);
