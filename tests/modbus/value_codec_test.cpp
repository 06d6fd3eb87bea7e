#include "value_codec.h"

#include <gtest/gtest.h>

#include "test_support.h"

namespace trelon::test {
namespace {

struct TSizeCase {
    const char* Name;
    TVariant Value;
    bool AdjustToWord;
    bool FromValueType;
    int MaxDimensions;
    TTypeMask Mask;
    int Size;
};

TEST(TypeSize, CodesValuesAndArrays) {
    TVariant grid = TVariant::Array(vtSmallint, std::vector<TVarBound>{{0, 2}, {0, 3}});
    const TSizeCase cases[] = {
        {"word code", dtSignedWord, false, false, 1, tmRegisters, 2},
        {"unsigned word code", dtUnsignedWord, false, false, 1, tmRegisters, 2},
        {"single code", dtSingle, false, false, 1, tmRegisters, 4},
        {"double word codes", Arr({dtSignedDoubleWord, dtUnsignedDoubleWord}), false, false, 1,
         tmRegisters, 8},
        {"byte code", dtUnsignedByte, false, false, 1, tmRegisters, 1},
        {"byte code adjusted", dtSignedByte, true, false, 1, tmRegisters, 2},
        {"code as text", TVariant("4"), false, false, 1, tmRegisters, 4},
        {"one-byte code", dtOneByte, false, false, 1, tmRegisters, -1},
        {"three-byte code", dtThreeByte, false, false, 1, tmRegisters, -1},
        // Codes that a bit mask would fold onto register codes are refused.
        {"boolean code", int32_t(vtBoolean), false, false, 1, tmRegisters, -1},
        {"variant code", int32_t(vtVariant), false, false, 1, tmRegisters, -1},
        {"code 27", 27, false, false, 1, tmRegisters, -1},
        {"code of an array", int32_t(vtArray) | dtSignedWord, false, false, 1, tmRegisters, -1},
        {"unconvertible code", TVariant("word"), false, false, 1, tmRegisters, -1},
        {"omitted code", TVariant::Omitted(), false, false, 1, tmRegisters, -1},
        {"one bad code in an array", Arr({dtSingle, 99}), false, false, 1, tmRegisters, -1},
        {"codes over the dimension limit", Arr({dtSingle}), false, false, 0, tmRegisters, -1},
        {"smallint value", Typed(vtSmallint, 5), false, true, 2, tmRegisters, 2},
        {"longword value", Typed(vtLongWord, 5), false, true, 2, tmRegisters, 4},
        {"single value", TVariant::Single(1.5f), false, true, 2, tmRegisters, 4},
        {"byte value adjusted", Typed(vtByte, 5), true, true, 2, tmRegisters, 2},
        {"double value", TVariant(1.5), false, true, 2, tmRegisters, -1},
        {"boolean value to registers", TVariant(true), false, true, 2, tmRegisters, -1},
        {"2 x 3 smallints", grid, false, true, 2, tmRegisters, 12},
        {"2-D over the limit", grid, false, true, 1, tmRegisters, -1},
        {"nested array", Arr({Arr({Typed(vtWord, 1)})}), false, true, 2, tmRegisters, -1},
        {"boolean bits", Arr({true, false, true}), false, true, 1, tmBits, 3},
        {"single boolean bit", TVariant(true), false, true, 1, tmBits, 1},
        {"integers as bits", Arr({1, 0}), false, true, 1, tmBits, -1},
        {"smallint as bits", Typed(vtSmallint, 1), false, true, 1, tmBits, -1},
        {"boolean code as bits", int32_t(vtBoolean), false, false, 1, tmBits, -1},
    };
    for (const TSizeCase& c : cases)
        EXPECT_EQ(TypeSize(c.Value, c.AdjustToWord, c.FromValueType, c.MaxDimensions, c.Mask),
                  c.Size)
            << c.Name;
}

struct TDecodeCase {
    TBytes Bytes;
    bool AdjustToWord;
    int Code;
    MBResult Result;
    TVariant Value;
    size_t Position;
};

TEST(DecodeValue, TypesByteOrderAndPosition) {
    const TDecodeCase cases[] = {
        {{0xFF}, false, dtSignedByte, mbcOK, Typed(vtShortInt, -1), 1},
        {{0x12, 0xFF}, true, dtUnsignedByte, mbcOK, Typed(vtByte, 255), 2},
        {{0xFF, 0xFE}, false, dtSignedWord, mbcOK, Typed(vtSmallint, -2), 2},
        {{0xFF, 0xFE}, false, dtUnsignedWord, mbcOK, Typed(vtWord, 0xFFFE), 2},
        {{0xFF, 0xFF, 0xFF, 0xFE}, false, dtSignedDoubleWord, mbcOK, Typed(vtInteger, -2), 4},
        {{0x80, 0x00, 0x00, 0x01},
         false,
         dtUnsignedDoubleWord,
         mbcOK,
         Typed(vtLongWord, 0x80000001),
         4},
        {{0x3F, 0x80, 0x00, 0x00}, false, dtSingle, mbcOK, TVariant::Single(1.0f), 4},
        {{0x7F, 0x80, 0x00, 0x00}, false, dtSingle, mbcWrongFloat, {}, 0},  // infinity
        {{0xFF, 0xC0, 0x00, 0x00}, false, dtSingle, mbcWrongFloat, {}, 0},  // NaN
        {{0x00, 0x01, 0x02}, false, dtSingle, mbcUnknownError, {}, 0},      // too few bytes
        {{0x00}, true, dtUnsignedByte, mbcUnknownError, {}, 0},
        {{0x00, 0x01}, false, dtOneByte, mbcOK, {}, 0},  // no register form: nothing read
    };
    for (const TDecodeCase& c : cases) {
        size_t position = 0;
        TVariant value;
        EXPECT_EQ(DecodeValue(c.Bytes, position, c.AdjustToWord, c.Code, value), c.Result)
            << c.Code;
        EXPECT_EQ(value, c.Value) << value.Debug();
        EXPECT_EQ(position, c.Position) << c.Code;
    }
}

TEST(DecodeValue, PositionBeyondTheBytesReadsNothing) {
    TBytes bytes{1, 2};
    size_t position = 5;
    TVariant value;
    EXPECT_EQ(DecodeValue(bytes, position, false, dtSignedWord, value), mbcUnknownError);
    EXPECT_EQ(position, 5u);
}

}  // namespace
}  // namespace trelon::test
