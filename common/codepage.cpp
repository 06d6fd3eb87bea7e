#include "codepage.h"

namespace trelon {

namespace {

// Code points of bytes 0x80..0xBF in Windows-1251 (0 = undefined byte 0x98).
constexpr char16_t kHigh[64] = {
    0x0402, 0x0403, 0x201A, 0x0453, 0x201E, 0x2026, 0x2020, 0x2021,  // 80
    0x20AC, 0x2030, 0x0409, 0x2039, 0x040A, 0x040C, 0x040B, 0x040F,  // 88
    0x0452, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,  // 90
    0x0000, 0x2122, 0x0459, 0x203A, 0x045A, 0x045C, 0x045B, 0x045F,  // 98
    0x00A0, 0x040E, 0x045E, 0x0408, 0x00A4, 0x0490, 0x00A6, 0x00A7,  // A0
    0x0401, 0x00A9, 0x0404, 0x00AB, 0x00AC, 0x00AD, 0x00AE, 0x0407,  // A8
    0x00B0, 0x00B1, 0x0406, 0x0456, 0x0491, 0x00B5, 0x00B6, 0x00B7,  // B0
    0x0451, 0x2116, 0x0454, 0x00BB, 0x0458, 0x0405, 0x0455, 0x0457,  // B8
};

char32_t ByteToCodePoint(unsigned char b) {
    if (b < 0x80) return b;
    if (b >= 0xC0) return char32_t(0x0410 + (b - 0xC0));
    char16_t c = kHigh[b - 0x80];
    return c ? c : 0xFFFD;
}

}  // namespace

char32_t NextCodePoint(std::string_view s, size_t& pos) {
    auto byte = [&](size_t i) { return static_cast<unsigned char>(s[i]); };
    unsigned char b = byte(pos);
    int len = b < 0x80 ? 1 : (b >> 5) == 6 ? 2 : (b >> 4) == 14 ? 3 : (b >> 3) == 30 ? 4 : 0;
    if (len == 0 || pos + len > s.size()) {
        ++pos;
        return 0xFFFD;
    }
    char32_t cp = len == 1 ? b : b & (0x7F >> len);
    for (int k = 1; k < len; ++k) {
        unsigned char c = byte(pos + k);
        if ((c & 0xC0) != 0x80) {
            ++pos;
            return 0xFFFD;
        }
        cp = (cp << 6) | (c & 0x3F);
    }
    static constexpr char32_t kMin[5] = {0, 0, 0x80, 0x800, 0x10000};
    if (cp < kMin[len] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) {
        ++pos;
        return 0xFFFD;
    }
    pos += len;
    return cp;
}

void AppendUtf8(std::string& out, char32_t cp) {
    if (cp < 0x80) {
        out += char(cp);
    } else if (cp < 0x800) {
        out += char(0xC0 | (cp >> 6));
        out += char(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += char(0xE0 | (cp >> 12));
        out += char(0x80 | ((cp >> 6) & 0x3F));
        out += char(0x80 | (cp & 0x3F));
    } else {
        out += char(0xF0 | (cp >> 18));
        out += char(0x80 | ((cp >> 12) & 0x3F));
        out += char(0x80 | ((cp >> 6) & 0x3F));
        out += char(0x80 | (cp & 0x3F));
    }
}

bool IsValidUtf8(std::string_view s) {
    size_t pos = 0;
    while (pos < s.size()) {
        size_t before = pos;
        char32_t cp = NextCodePoint(s, pos);
        // A genuine U+FFFD takes three bytes; a malformed byte advances only one.
        if (cp == 0xFFFD && pos - before != 3) return false;
    }
    return true;
}

std::string Cp1251ToUtf8(std::string_view s) {
    std::string out;
    out.reserve(s.size() * 2);
    for (char c : s) AppendUtf8(out, ByteToCodePoint(static_cast<unsigned char>(c)));
    return out;
}

std::string Utf8ToCp1251(std::string_view s) {
    std::string out;
    size_t pos = 0;
    while (pos < s.size()) {
        char32_t cp = NextCodePoint(s, pos);
        if (cp < 0x80) {
            out += char(cp);
        } else if (cp >= 0x0410 && cp <= 0x044F) {
            out += char(0xC0 + (cp - 0x0410));
        } else {
            char mapped = '?';
            for (int k = 0; k < 64; ++k)
                if (kHigh[k] == cp) mapped = char(0x80 + k);
            out += mapped;
        }
    }
    return out;
}

size_t Utf8Length(std::string_view s) {
    size_t n = 0, pos = 0;
    while (pos < s.size()) {
        NextCodePoint(s, pos);
        ++n;
    }
    return n;
}

std::string FoldCase(std::string_view s) {
    std::string out;
    out.reserve(s.size());
    size_t pos = 0;
    while (pos < s.size()) {
        char32_t cp = NextCodePoint(s, pos);
        if (cp >= 'A' && cp <= 'Z')
            cp += 32;
        else if (cp >= 0x0410 && cp <= 0x042F)
            cp += 0x20;
        else if (cp >= 0x0400 && cp <= 0x040F)
            cp += 0x50;
        AppendUtf8(out, cp);
    }
    return out;
}

}  // namespace trelon
