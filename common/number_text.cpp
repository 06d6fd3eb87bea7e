#include "number_text.h"

#include <charconv>
#include <limits>

namespace trelon {

bool ParseInteger(std::string_view s, int64_t& out) {
    size_t b = s.find_first_not_of(" \t\r\n");
    if (b == std::string_view::npos) return false;
    s = s.substr(b, s.find_last_not_of(" \t\r\n") - b + 1);
    bool neg = false;
    size_t pos = 0;
    if (s[0] == '+' || s[0] == '-') {
        neg = s[0] == '-';
        pos = 1;
    }
    int base = 10;
    if (s.size() > pos + 2 && s[pos] == '0' && (s[pos + 1] == 'x' || s[pos + 1] == 'X')) {
        base = 16;
        pos += 2;
    } else if (s.size() > pos + 1 && s[pos] == '$') {
        base = 16;
        pos += 1;
    }
    uint64_t mag = 0;
    auto [end, ec] = std::from_chars(s.data() + pos, s.data() + s.size(), mag, base);
    if (ec != std::errc() || end != s.data() + s.size() || pos == s.size()) return false;
    if (base == 16 && !neg) {
        out = int64_t(mag);
        return true;
    }
    if (mag > uint64_t(std::numeric_limits<int64_t>::max()) + (neg ? 1u : 0u)) return false;
    out = neg ? int64_t(0 - mag) : int64_t(mag);
    return true;
}

}  // namespace trelon
