#include "monitor/strict_number.h"

bool parse_decimal(const char* text, std::size_t length, std::uint64_t largest, std::uint64_t* value) {
    if (length == 0) return false;
    std::uint64_t number = 0;
    for (std::size_t i = 0; i < length; ++i) {
        const unsigned digit = static_cast<unsigned char>(text[i]) - static_cast<unsigned>('0');
        if (digit > 9) return false;
        if (digit > largest || number > (largest - digit) / 10) return false;
        number = number * 10 + digit;
    }
    *value = number;
    return true;
}
