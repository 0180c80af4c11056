// usage.cfg's values, read strictly: plain decimal digits within 64 bits,
// pairs of them, and signed seconds. Anything else is damage.
#pragma once

#include <cstdint>
#include <string>

bool read_count(const char* text, std::uint64_t* count);
// "received,sent".
bool read_count_pair(const char* text, std::uint64_t* received, std::uint64_t* sent);
bool read_signed(const char* text, std::int64_t* number);

std::string count_text(std::uint64_t count);
std::string count_pair_text(std::uint64_t received, std::uint64_t sent);

// "key TAB value LF".
void add_line(std::string& text, const std::string& key, const std::string& value);
