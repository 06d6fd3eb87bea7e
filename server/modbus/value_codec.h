// Typed register values to and from their bytes on the wire (most significant byte
// first), and the number of bytes a value or a data type code stands for.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

#include "frame_backend.h"
#include "mb_enums.h"
#include "variant.h"

namespace trelon {

// What a size is asked for: register data (codes 2, 3, 4, 16 to 19) or bits (Booleans).
enum TTypeMask { tmRegisters, tmBits };

// Bytes that a value stands for: fromValueType, the sizes of its own value types;
// otherwise the value holds data type codes. Arrays give the sum over their elements.
// -1 when the value has more than maxDimensions dimensions, holds nested arrays, or any
// element names a type the mask does not admit. Byte codes take 2 bytes with adjustToWord.
int TypeSize(const TVariant& value, bool adjustToWord, bool fromValueType, int maxDimensions,
             TTypeMask mask);

// Appends the bytes of a value (a scalar, or every element of an array in index order,
// last index fastest), each by its own value type. Types without register form add nothing.
void EncodeValue(const TVariant& value, bool adjustToWord, TFrameWriter& frame);

// Reads one value of a data type code at position and advances it. An infinite or NaN
// single gives mbcWrongFloat and keeps the position; a value that would be read beyond the
// bytes gives mbcUnknownError. Codes without a register form read nothing and give mbcOK.
MBResult DecodeValue(std::span<const uint8_t> bytes, size_t& position, bool adjustToWord,
                     int typeCode, TVariant& value);

}  // namespace trelon
