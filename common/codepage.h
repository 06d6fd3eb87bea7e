// Single-byte Cyrillic text (Windows-1251) to and from UTF-8, and a UTF-8 check.
#pragma once

#include <string>
#include <string_view>

namespace trelon {

bool IsValidUtf8(std::string_view s);
std::string Cp1251ToUtf8(std::string_view s);
// Characters with no place in the code page become '?'.
std::string Utf8ToCp1251(std::string_view s);

// Decodes one UTF-8 sequence at s[pos]; returns the code point and advances pos.
// Malformed input gives U+FFFD and advances one byte.
char32_t NextCodePoint(std::string_view s, size_t& pos);
void AppendUtf8(std::string& out, char32_t cp);

// Number of characters (code points) in UTF-8 text.
size_t Utf8Length(std::string_view s);

// Lower case of ASCII and Cyrillic letters, for comparisons without regard to case.
std::string FoldCase(std::string_view s);

}  // namespace trelon
