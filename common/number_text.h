// Integers written as text: decimal, or hexadecimal with "0x" or "$". Surrounding blanks
// are allowed; anything else (a fraction, trailing text, an overflow) is refused.
#pragma once

#include <cstdint>
#include <string_view>

namespace trelon {

// Hexadecimal keeps its bit pattern ("0xFFFFFFFFFFFFFFFF" reads as -1).
bool ParseInteger(std::string_view text, int64_t& out);

}  // namespace trelon
