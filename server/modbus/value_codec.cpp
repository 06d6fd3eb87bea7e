#include "value_codec.h"

#include <algorithm>
#include <bit>
#include <limits>

namespace trelon {

namespace {

int CodeSize(int64_t code, bool adjustToWord, bool fromValueType, TTypeMask mask) {
    if (mask == tmBits) return code == vtBoolean && fromValueType ? 1 : -1;
    switch (code) {
        case dtSignedWord:
        case dtUnsignedWord:
            return 2;
        case dtSignedDoubleWord:
        case dtUnsignedDoubleWord:
        case dtSingle:
            return 4;
        case dtSignedByte:
        case dtUnsignedByte:
            return adjustToWord ? 2 : 1;
        default:
            return -1;
    }
}

int ScalarSize(const TVariant& v, bool adjustToWord, bool fromValueType, TTypeMask mask) {
    if (v.IsArray()) return -1;
    if (fromValueType) return CodeSize(v.Type(), adjustToWord, true, mask);
    try {
        return CodeSize(v.ToInt64(), adjustToWord, false, mask);
    } catch (const EVariantError&) {
        return -1;
    }
}

void PutLong(TFrameWriter& frame, uint32_t v) {
    frame.PutWord(uint16_t(v >> 16));
    frame.PutWord(uint16_t(v));
}

void EncodeScalar(const TVariant& v, bool adjustToWord, TFrameWriter& frame) {
    switch (v.Type()) {
        case vtSmallint:
        case vtWord:
            frame.PutWord(uint16_t(v.RawInt()));
            break;
        case vtInteger:
        case vtLongWord:
            PutLong(frame, uint32_t(v.RawInt()));
            break;
        case vtSingle:
            PutLong(frame, std::bit_cast<uint32_t>(float(v.RawReal())));
            break;
        case vtShortInt:
        case vtByte:
            if (adjustToWord) frame.Put(0);
            frame.Put(uint8_t(v.RawInt()));
            break;
        default:
            break;
    }
}

// Bytes a code takes in the answer, and how many of them lead before the value.
struct TWireSize {
    size_t Skip = 0;
    size_t Take = 0;
};

TWireSize WireSize(int typeCode, bool adjustToWord) {
    switch (typeCode) {
        case dtSignedByte:
        case dtUnsignedByte:
            return {adjustToWord ? 1u : 0u, 1};
        case dtSignedWord:
        case dtUnsignedWord:
            return {0, 2};
        case dtSignedDoubleWord:
        case dtUnsignedDoubleWord:
        case dtSingle:
            return {0, 4};
        default:
            return {};
    }
}

uint32_t ReadBigEndian(std::span<const uint8_t> bytes) {
    uint32_t v = 0;
    for (uint8_t b : bytes) v = v << 8 | b;
    return v;
}

bool IsFiniteSingle(uint32_t bits) {
    return (bits >> 23 & 0xFF) != 0xFF;
}

}  // namespace

int TypeSize(const TVariant& value, bool adjustToWord, bool fromValueType, int maxDimensions,
             TTypeMask mask) {
    if (value.Dims() > maxDimensions) return -1;
    if (!value.IsArray()) return ScalarSize(value, adjustToWord, fromValueType, mask);
    int64_t total = 0;
    for (const TVariant& item : value.Items()) {
        int size = ScalarSize(item, adjustToWord, fromValueType, mask);
        if (size < 0) return -1;
        total += size;
    }
    return int(std::min<int64_t>(total, std::numeric_limits<int>::max()));
}

void EncodeValue(const TVariant& value, bool adjustToWord, TFrameWriter& frame) {
    if (!value.IsArray()) return EncodeScalar(value, adjustToWord, frame);
    for (const TVariant& item : value.Items()) EncodeScalar(item, adjustToWord, frame);
}

MBResult DecodeValue(std::span<const uint8_t> bytes, size_t& position, bool adjustToWord,
                     int typeCode, TVariant& value) {
    TWireSize size = WireSize(typeCode, adjustToWord);
    if (size.Take == 0) return mbcOK;
    if (position > bytes.size() || bytes.size() - position < size.Skip + size.Take)
        return mbcUnknownError;
    uint32_t raw = ReadBigEndian(bytes.subspan(position + size.Skip, size.Take));
    if (typeCode == dtSingle) {
        if (!IsFiniteSingle(raw)) return mbcWrongFloat;
        value = TVariant::Single(std::bit_cast<float>(raw));
    } else {
        value = TVariant::OfInt(TVarType(typeCode), int64_t(raw));
    }
    position += size.Skip + size.Take;
    return mbcOK;
}

}  // namespace trelon
