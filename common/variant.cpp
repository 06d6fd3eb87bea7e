#include "variant.h"

#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <limits>

#include "datetime.h"
#include "number_text.h"

namespace trelon {

namespace {

bool IsIntegerType(uint16_t t) {
    switch (t) {
        case vtSmallint:
        case vtInteger:
        case vtShortInt:
        case vtByte:
        case vtWord:
        case vtLongWord:
        case vtInt64:
        case vtUInt64:
            return true;
        default:
            return false;
    }
}

bool IsRealType(uint16_t t) {
    return t == vtSingle || t == vtDouble || t == vtDate;
}

// Cuts a value to the width of an integer code, as a cast in the automation system does.
int64_t Narrow(uint16_t type, int64_t v) {
    switch (type) {
        case vtSmallint:
            return int16_t(v);
        case vtInteger:
            return int32_t(v);
        case vtShortInt:
            return int8_t(v);
        case vtByte:
            return uint8_t(v);
        case vtWord:
            return uint16_t(v);
        case vtLongWord:
            return uint32_t(v);
        default:
            return v;
    }
}

std::string Trim(const std::string& s) {
    size_t b = s.find_first_not_of(" \t\r\n");
    if (b == std::string::npos) return {};
    size_t e = s.find_last_not_of(" \t\r\n");
    return s.substr(b, e - b + 1);
}

bool ParseReal(const std::string& text, double& out) {
    std::string s = Trim(text);
    if (s.empty()) return false;
    for (char& c : s)
        if (c == ',') c = '.';  // either decimal separator is accepted
    auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), out);
    return ec == std::errc() && end == s.data() + s.size() && std::isfinite(out);
}

std::string FormatReal(double v, bool single) {
    if (std::isnan(v)) return "NAN";
    if (std::isinf(v)) return v > 0 ? "INF" : "-INF";
    char buf[64];
    std::to_chars_result r = single ? std::to_chars(buf, buf + sizeof buf, float(v))
                                    : std::to_chars(buf, buf + sizeof buf, v);
    return std::string(buf, r.ptr);
}

}  // namespace

TVariant::TVariant(double v) : type_(vtDouble), real_(v) {}
TVariant::TVariant(bool v) : type_(vtBoolean), int_(v ? 1 : 0) {}
TVariant::TVariant(const char* s) : type_(vtString), str_(s ? s : "") {}
TVariant::TVariant(std::string s) : type_(vtString), str_(std::move(s)) {}

TVariant TVariant::Null() {
    return TVariant(vtNull, 0);
}

TVariant TVariant::OfInt(TVarType type, int64_t v) {
    if (!IsIntegerType(type)) throw EVariantError("OfInt: not an integer type code");
    return TVariant(type, Narrow(type, v));
}

TVariant TVariant::OfUInt(TVarType type, uint64_t v) {
    return OfInt(type, int64_t(v));
}

TVariant TVariant::Single(float v) {
    TVariant r;
    r.type_ = vtSingle;
    r.real_ = v;
    return r;
}

TVariant TVariant::Date(double days) {
    TVariant r(days);
    r.type_ = vtDate;
    return r;
}

TVariant TVariant::Currency(int64_t scaled) {
    return TVariant(vtCurrency, scaled);
}

TVariant TVariant::Error(uint32_t code) {
    return TVariant(vtError, int64_t(code));
}

TVariant TVariant::Array(TVarType elemType, std::vector<TVarBound> bounds) {
    if (!IsValidElemType(elemType)) throw EVariantError("Array: bad element type");
    if (bounds.empty() || bounds.size() > 2) throw EVariantError("Array: one or two dimensions");
    size_t n = 1;
    for (const TVarBound& b : bounds) {
        if (!b.Valid()) throw EVariantError("Array: negative count or bounds out of range");
        n *= size_t(b.Count);
    }
    TVariant r;
    r.type_ = uint16_t(vtArray | elemType);
    r.bounds_ = std::move(bounds);
    r.items_.assign(n, DefaultOf(elemType));
    return r;
}

TVariant TVariant::Array(TVarType elemType, std::vector<TVariant> items) {
    TVariant r = Array(elemType, std::vector<TVarBound>{{0, 0}});
    r.bounds_[0].Count = int32_t(items.size());
    r.items_ = std::move(items);
    return r;
}

bool TVariant::IsNumeric() const {
    return IsIntegerType(type_) || IsRealType(type_) || type_ == vtCurrency || type_ == vtBoolean;
}

void TVariant::CastError(const char* target) const {
    throw EVariantError("Could not convert variant of type (" + TypeName(type_) + ") into type (" +
                        target + ")");
}

int64_t TVariant::ToInt64() const {
    if (type_ == vtEmpty) return 0;
    if (IsIntegerType(type_)) return int_;
    if (type_ == vtBoolean) return int_ ? -1 : 0;  // automation "true" is -1
    if (type_ == vtCurrency) return int64_t(std::nearbyint(double(int_) / 10000.0));
    if (IsRealType(type_)) {
        double r = std::nearbyint(real_);
        if (!(r >= -9.2e18 && r <= 9.2e18)) CastError("Int64");
        return int64_t(r);
    }
    if (type_ == vtString) {
        int64_t v = 0;
        if (ParseInteger(str_, v)) return v;
        double d = 0;
        if (ParseReal(str_, d) && d >= -9.2e18 && d <= 9.2e18) return int64_t(std::nearbyint(d));
    }
    CastError("Int64");
}

int32_t TVariant::ToInt() const {
    int64_t v = ToInt64();
    // Unsigned 32-bit values keep their bit pattern, as a cast to Integer does.
    if (type_ == vtLongWord || (v >= INT32_MIN && v <= int64_t(UINT32_MAX))) return int32_t(v);
    CastError("Integer");
}

bool TVariant::ToBool() const {
    if (type_ == vtEmpty) return false;
    if (IsIntegerType(type_) || type_ == vtBoolean || type_ == vtCurrency) return int_ != 0;
    if (IsRealType(type_)) return real_ != 0.0;
    if (type_ == vtString) {
        std::string s = Trim(str_);
        for (char& c : s) c = char(std::tolower(static_cast<unsigned char>(c)));
        if (s == "true") return true;
        if (s == "false") return false;
        int64_t i = 0;
        if (ParseInteger(s, i)) return i != 0;
        double d = 0;
        if (ParseReal(s, d)) return d != 0.0;
    }
    CastError("Boolean");
}

double TVariant::ToDouble() const {
    if (type_ == vtEmpty) return 0.0;
    if (IsRealType(type_)) return real_;
    if (type_ == vtLongWord || type_ == vtUInt64) return double(uint64_t(int_));
    if (IsIntegerType(type_)) return double(int_);
    if (type_ == vtBoolean) return int_ ? -1.0 : 0.0;
    if (type_ == vtCurrency) return double(int_) / 10000.0;
    if (type_ == vtString) {
        double d = 0;
        if (ParseReal(str_, d)) return d;
    }
    CastError("Double");
}

std::string TVariant::ToText() const {
    switch (type_) {
        case vtEmpty:
        case vtNull:
            return {};
        case vtString:
            return str_;
        case vtBoolean:
            return int_ ? "True" : "False";
        case vtSingle:
            return FormatReal(real_, true);
        case vtDouble:
            return FormatReal(real_, false);
        case vtDate:
            if (!IsCalendarDate(real_)) CastError("String");
            return FormatDateTime(real_);
        case vtCurrency:
            return FormatReal(double(int_) / 10000.0, false);
        case vtUInt64:
            return std::to_string(uint64_t(int_));
        default:
            break;
    }
    if (IsIntegerType(type_)) return std::to_string(int_);
    CastError("String");
}

int32_t TVariant::LowBound(int dim) const {
    if (dim < 0 || dim >= Dims()) throw EVariantError("Variant array dimension out of range");
    return bounds_[dim].Low;
}

int32_t TVariant::HighBound(int dim) const {
    return int32_t(int64_t(LowBound(dim)) + bounds_[dim].Count - 1);
}

size_t TVariant::FlatIndex(int32_t i) const {
    if (Dims() != 1)
        throw EVariantError("Variant array has " + std::to_string(Dims()) +
                            " dimensions, one index given");
    int64_t k = int64_t(i) - bounds_[0].Low;
    if (k < 0 || k >= bounds_[0].Count) throw EVariantError("Variant array index out of bounds");
    return size_t(k);
}

size_t TVariant::FlatIndex(int32_t i, int32_t j) const {
    if (Dims() != 2) throw EVariantError("Variant array is not two-dimensional");
    int64_t a = int64_t(i) - bounds_[0].Low, b = int64_t(j) - bounds_[1].Low;
    if (a < 0 || a >= bounds_[0].Count || b < 0 || b >= bounds_[1].Count)
        throw EVariantError("Variant array index out of bounds");
    return size_t(a) * size_t(bounds_[1].Count) + size_t(b);
}

const TVariant& TVariant::operator[](int32_t index) const {
    return items_[FlatIndex(index)];
}
TVariant& TVariant::operator[](int32_t index) {
    return items_[FlatIndex(index)];
}
const TVariant& TVariant::At(int32_t i, int32_t j) const {
    return items_[FlatIndex(i, j)];
}
TVariant& TVariant::At(int32_t i, int32_t j) {
    return items_[FlatIndex(i, j)];
}

bool TVariant::operator==(const TVariant& o) const {
    if (type_ != o.type_) return false;
    if (IsArray()) return bounds_ == o.bounds_ && items_ == o.items_;
    if (IsRealType(type_)) {
        return real_ == o.real_ || (std::isnan(real_) && std::isnan(o.real_));
    }
    if (type_ == vtString) return str_ == o.str_;
    return int_ == o.int_;
}

std::string TVariant::Debug() const {
    std::string s = std::to_string(type_) + ":";
    if (IsArray()) {
        s += "[";
        for (size_t k = 0; k < bounds_.size(); ++k)
            s += (k ? "," : "") + std::to_string(bounds_[k].Low) + "+" +
                 std::to_string(bounds_[k].Count);
        s += "]{";
        for (size_t k = 0; k < items_.size(); ++k) s += (k ? " " : "") + items_[k].Debug();
        return s + "}";
    }
    if (type_ == vtString) return s + "'" + str_ + "'";
    if (type_ == vtError) return s + "err" + std::to_string(uint32_t(int_));
    try {
        return s + ToText();
    } catch (const EVariantError&) {
        return s + "?";
    }
}

std::string TVariant::TypeName(uint16_t type) {
    if (type & vtArray) return "Array of " + TypeName(type & ~vtArray);
    switch (type) {
        case vtEmpty:
            return "Empty";
        case vtNull:
            return "Null";
        case vtSmallint:
            return "Smallint";
        case vtInteger:
            return "Integer";
        case vtSingle:
            return "Single";
        case vtDouble:
            return "Double";
        case vtCurrency:
            return "Currency";
        case vtDate:
            return "Date";
        case vtString:
            return "String";
        case vtError:
            return "Error";
        case vtBoolean:
            return "Boolean";
        case vtVariant:
            return "Variant";
        case vtShortInt:
            return "ShortInt";
        case vtByte:
            return "Byte";
        case vtWord:
            return "Word";
        case vtLongWord:
            return "LongWord";
        case vtInt64:
            return "Int64";
        case vtUInt64:
            return "UInt64";
        default:
            return "Unknown(" + std::to_string(type) + ")";
    }
}

TVariant DefaultOf(TVarType type) {
    switch (type) {
        case vtVariant:
        case vtEmpty:
            return TVariant();
        case vtNull:
            return TVariant::Null();
        case vtSingle:
            return TVariant::Single(0.0f);
        case vtDouble:
            return TVariant(0.0);
        case vtDate:
            return TVariant::Date(0.0);
        case vtCurrency:
            return TVariant::Currency(0);
        case vtString:
            return TVariant(std::string());
        case vtError:
            return TVariant::Error(0);
        case vtBoolean:
            return TVariant(false);
        default:
            return TVariant::OfInt(type, 0);
    }
}

bool IsValidScalarType(uint16_t t) {
    return t == vtEmpty || t == vtNull || IsIntegerType(t) || IsRealType(t) || t == vtCurrency ||
           t == vtString || t == vtError || t == vtBoolean;
}

bool IsValidElemType(uint16_t t) {
    return (IsValidScalarType(t) && t != vtEmpty && t != vtNull) || t == vtVariant;
}

}  // namespace trelon
