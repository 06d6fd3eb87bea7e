#include "address_parser.h"

namespace trelon::wizard {

namespace {

// Reads the run of decimal digits at pos; -1 when there is none, a value above the
// address range when the run is too long to matter.
int ReadNumber(const QString& text, qsizetype& pos) {
    const qsizetype start = pos;
    long long value = 0;
    while (pos < text.size() && text[pos] >= u'0' && text[pos] <= u'9') {
        if (value <= kMaxDeviceAddress) value = value * 10 + (text[pos].unicode() - u'0');
        ++pos;
    }
    if (pos == start) return -1;
    return value > kMaxDeviceAddress ? kMaxDeviceAddress + 1 : int(value);
}

bool IsAddress(int n) {
    return n >= kMinDeviceAddress && n <= kMaxDeviceAddress;
}

// After a number: the end of the text, or a comma that is consumed.
bool AtSeparator(const QString& text, qsizetype& pos) {
    if (pos >= text.size()) return true;
    if (text[pos] != u',') return false;
    ++pos;
    return true;
}

}  // namespace

TAddressList ParseAddresses(const QString& source) {
    const QString text = source.trimmed();
    TAddressList out;
    qsizetype pos = 0;
    auto fail = [&out] {
        out.Ok = false;
        out.Addresses.clear();
        return out;
    };
    while (pos < text.size()) {
        const int first = ReadNumber(text, pos);
        if (!IsAddress(first)) return fail();
        if (AtSeparator(text, pos)) {
            out.Addresses.push_back(first);
            continue;
        }
        if (text[pos] != u'-') return fail();
        ++pos;
        const int last = ReadNumber(text, pos);
        if (!IsAddress(last) || !AtSeparator(text, pos)) return fail();
        for (int a = first; a <= last; ++a) out.Addresses.push_back(a);
    }
    return out;
}

}  // namespace trelon::wizard
