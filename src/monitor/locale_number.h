// Numbers as the user writes them: "1,200.5" in one locale is "1.200,5" or
// "1 200,5" in another. The Usage window reads and shows the allowance so.
#pragma once

#include <cstdint>

// A locale's number form. Either separator may be several characters, or
// none. The grouping is the locale's own: group sizes from the decimal
// separator leftwards, a last 0 repeating the size before it ("3;0" for
// thousands, "3;2;0" for 12,34,567; "3" groups once; "0" or "" never).
struct NumberForm {
    wchar_t decimal[8];
    wchar_t group[8];
    wchar_t grouping[16];
};

// The user's own form (Windows only); the invariant ".", ",", "3;0" when the
// locale cannot be read.
NumberForm user_number_form();

// One number of at least one digit in `form`, blanks around it allowed, no
// sign: digits without group separators, or with them exactly where the
// grouping puts them (a space stands for a no-break one). `value` is the
// number in units of 10^-decimals (decimals 0..18), halves rounded up; false,
// and `value` untouched, for anything else or a value over `maximum`.
bool read_locale_number(const wchar_t* text, const NumberForm& form, int decimals, std::uint64_t maximum,
                        std::uint64_t* value);

// `value` in units of 10^-decimals written in `form`: grouped, and its
// fraction without trailing zeros ("1,200", "1,200.5").
void write_locale_number(wchar_t (&text)[64], std::uint64_t value, int decimals, const NumberForm& form);
