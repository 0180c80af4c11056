// Integer settings: written as "%d", read as a signed decimal that the first
// other character ends. Rates are 64-bit and use the same decimal form.
#pragma once

#include <cstdint>

// Leading white space, an optional sign, then digits; no digits give 0, and
// values beyond the 32-bit range give the nearest limit.
std::int32_t read_setting_int(const char* text);
// The same, within the 64-bit range.
std::int64_t read_setting_int64(const char* text);

// The stored number; a missing key first stores `fallback` and gives it back.
std::int32_t get_setting_int(const char* key, std::int32_t fallback);
// Gives the stored text, or null when memory runs out.
const char* set_setting_int(const char* key, std::int32_t number);

std::int64_t get_setting_int64(const char* key, std::int64_t fallback);
const char* set_setting_int64(const char* key, std::int64_t number);
