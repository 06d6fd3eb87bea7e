// Reads the elements of a props or request array (one dimension, indexed from 0) as
// numbers within the ranges their fields can hold. Anything missing, unconvertible or out
// of range raises EUnusableArray.
#pragma once

#include <cstdint>
#include <stdexcept>

#include "variant.h"

namespace trelon {

class EUnusableArray : public std::runtime_error {
  public:
    EUnusableArray() : std::runtime_error("unusable array") {}
};

class TArrayReader {
  public:
    explicit TArrayReader(const TVariant& array) : array_(array) {}

    const TVariant& At(int32_t index) const;
    int64_t Int(int32_t index, int64_t low, int64_t high) const;
    uint8_t Byte(int32_t index) const { return uint8_t(Int(index, 0, 255)); }
    uint16_t Word(int32_t index) const { return uint16_t(Int(index, 0, 65535)); }
    // The low 8 bits of any integer value.
    uint8_t LowByte(int32_t index) const { return uint8_t(ToInt64(At(index))); }
    double Real(int32_t index) const;
    bool Bool(int32_t index) const;

  private:
    static int64_t ToInt64(const TVariant& v);

    const TVariant& array_;
};

// Raises EUnusableArray unless the condition holds.
inline void Require(bool condition) {
    if (!condition) throw EUnusableArray();
}

}  // namespace trelon
