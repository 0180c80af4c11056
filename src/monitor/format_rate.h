#pragma once

#include <cstdint>

// Writes a rate in bytes per second as "%.1f %s" in units of 1024 (bytes, kB, mB, gB, tB, pB).
void format_rate(char (&text)[16], double value);

// A byte count in the same units. Whole bytes have no tenths ("1023 bytes"),
// so that no count takes more than 10 characters ("16384.0 pB" at the top).
void format_byte_count(char (&text)[16], std::uint64_t bytes);

// How rates are shown: bytes in units of 1024, as the graph always did, or
// bits in units of 1000, as providers and speed tests quote them.
enum class RateUnits : std::uint8_t { bytes, bits };

// "bits" reads as bits, anything else as bytes.
RateUnits rate_units_from_text(const char* text);
const char* rate_units_text(RateUnits units);

// Eight times the byte rate as "%.1f %s" in units of 1000 (bit, kbit, Mbit,
// Gbit, Tbit, Pbit), exact halves away from zero. Every 64-bit rate fits.
void format_bit_rate(char (&text)[16], std::int64_t bytes_per_second);

// A rate in bytes per second, written in the chosen units.
void format_rate_in(char (&text)[16], std::int64_t bytes_per_second, RateUnits units);

// At most four characters for a 16-pixel icon: the smallest prefix (none, k,
// M, G, T, P, E; steps of 1024 in bytes, 1000 in bits) at which the value
// rounds below 1000; with a prefix and below 9.95 one decimal ("1.2M"),
// otherwise the whole number, halves up ("12k", "850"). Negative rates read as 0.
void format_short_rate(char (&text)[5], std::int64_t bytes_per_second, RateUnits units);
