#pragma once

#include <cstdint>

// Writes a rate in bytes per second as "%.1f %s" in units of 1024 (bytes, kB, mB, gB, tB, pB).
void format_rate(char (&text)[16], double value);

// A byte count in the same units. Whole bytes have no tenths ("1023 bytes"),
// so that no count takes more than 10 characters ("16384.0 pB" at the top).
void format_byte_count(char (&text)[16], std::uint64_t bytes);
