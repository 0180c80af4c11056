// Numbers that other devices send as decimal text (UPnP's ui4 values among
// them): digits only, no sign, no blanks, nothing past the largest allowed.
#pragma once

#include <cstddef>
#include <cstdint>

// `length` bytes of `text` as a number no larger than `largest`; false, and
// `value` untouched, for anything else, an empty text included.
bool parse_decimal(const char* text, std::size_t length, std::uint64_t largest, std::uint64_t* value);
