// The automation value shared by the server and the wizard: a tagged value with the
// type codes of the automation system, value semantics (copies are deep) and the
// conversions the programs use.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

namespace trelon {

// Type codes as they cross the bus.
enum TVarType : uint16_t {
    vtEmpty = 0,
    vtNull = 1,
    vtSmallint = 2,  // signed 16-bit
    vtInteger = 3,   // signed 32-bit
    vtSingle = 4,
    vtDouble = 5,
    vtCurrency = 6,  // value x 10000 in a signed 64-bit
    vtDate = 7,      // days since 1899-12-30
    vtString = 8,
    vtError = 10,
    vtBoolean = 11,
    vtVariant = 12,   // only as an array element type
    vtShortInt = 16,  // signed 8-bit
    vtByte = 17,
    vtWord = 18,
    vtLongWord = 19,
    vtInt64 = 20,
    vtUInt64 = 21,
    vtArray = 0x2000,
};

// The error code that stands for an omitted optional parameter.
inline constexpr uint32_t kParamNotFound = 0x80020004u;

// Raised by a conversion that cannot be made, and by array access out of bounds.
class EVariantError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

struct TVarBound {
    int32_t Low = 0;
    int32_t Count = 0;
    bool operator==(const TVarBound&) const = default;
    // No negative count, and the high bound (Low + Count - 1) is a 32-bit index too.
    bool Valid() const {
        int64_t high = int64_t(Low) + Count - 1;
        return Count >= 0 && high >= INT32_MIN && high <= INT32_MAX;
    }
};

class TVariant {
  public:
    TVariant() = default;
    TVariant(int32_t v) : TVariant(vtInteger, int64_t{v}) {}
    TVariant(double v);
    TVariant(bool v);
    TVariant(const char* s);
    TVariant(std::string s);

    // Typed constructors; the value is cut to the width of the code.
    static TVariant Null();
    static TVariant OfInt(TVarType type, int64_t v);
    static TVariant OfUInt(TVarType type, uint64_t v);
    static TVariant Single(float v);
    static TVariant Double(double v) { return TVariant(v); }
    static TVariant Date(double days);
    static TVariant Currency(int64_t scaled);  // value x 10000
    static TVariant Error(uint32_t code);
    static TVariant Omitted() { return Error(kParamNotFound); }
    // An array of elemType with the given bounds (at most two dimensions), elements empty
    // of that type (0, "", false; empty values for vtVariant).
    static TVariant Array(TVarType elemType, std::vector<TVarBound> bounds);
    // A one-dimensional array indexed from 0.
    static TVariant Array(TVarType elemType, std::vector<TVariant> items);

    uint16_t Type() const { return type_; }
    bool IsEmpty() const { return type_ == vtEmpty; }
    bool IsNull() const { return type_ == vtNull; }
    bool IsArray() const { return (type_ & vtArray) != 0; }
    bool IsOmitted() const { return type_ == vtError && uint32_t(int_) == kParamNotFound; }
    bool IsNumeric() const;
    TVarType ElemType() const { return TVarType(type_ & ~vtArray); }

    // Conversions in the manner of the automation system; EVariantError when impossible.
    int64_t ToInt64() const;
    int32_t ToInt() const;
    bool ToBool() const;
    double ToDouble() const;
    std::string ToText() const;  // UTF-8

    // Raw payload access for the wire form: exact, no conversion.
    int64_t RawInt() const { return int_; }
    uint64_t RawUInt() const { return uint64_t(int_); }
    double RawReal() const { return real_; }
    const std::string& RawString() const { return str_; }

    // Arrays.
    int Dims() const { return int(bounds_.size()); }
    const std::vector<TVarBound>& Bounds() const { return bounds_; }
    int32_t LowBound(int dim = 0) const;
    int32_t HighBound(int dim = 0) const;
    size_t Size() const { return items_.size(); }
    // Element by index of the first dimension (bounds respected).
    const TVariant& operator[](int32_t index) const;
    TVariant& operator[](int32_t index);
    // Element of a two-dimensional array.
    const TVariant& At(int32_t i, int32_t j) const;
    TVariant& At(int32_t i, int32_t j);
    // All elements, last index varying fastest.
    const std::vector<TVariant>& Items() const { return items_; }
    std::vector<TVariant>& Items() { return items_; }

    // Exact equality of type and payload (not value comparison across types).
    bool operator==(const TVariant& other) const;

    // A short readable form for logs and test messages: "3:42", "8:'abc'".
    std::string Debug() const;

    // Type name as the automation system prints it ("Integer", "String", ...).
    static std::string TypeName(uint16_t type);

  private:
    TVariant(uint16_t type, int64_t v) : type_(type), int_(v) {}
    size_t FlatIndex(int32_t i) const;
    size_t FlatIndex(int32_t i, int32_t j) const;
    [[noreturn]] void CastError(const char* target) const;

    uint16_t type_ = vtEmpty;
    int64_t int_ = 0;    // integers, booleans (0/1), errors, currency
    double real_ = 0.0;  // single, double, date
    std::string str_;
    std::vector<TVarBound> bounds_;
    std::vector<TVariant> items_;
};

// Default element value of a type code (used to fill new arrays).
TVariant DefaultOf(TVarType type);

// True when the code names a scalar type that TVariant can hold as an array element.
bool IsValidElemType(uint16_t type);
bool IsValidScalarType(uint16_t type);

}  // namespace trelon
