#include "request_maker.h"

#include <array>
#include <vector>

#include "mb_enums.h"

namespace trelon::fuzz {

namespace {

constexpr int kKinds = 13;

// Data type codes a request names: the supported ones, the unsupported 20 and 21, and
// from byte 240 on any small code at all.
constexpr std::array<int32_t, 9> kDataTypes = {
    dtSignedByte,         dtUnsignedByte, dtSignedWord, dtUnsignedWord, dtSignedDoubleWord,
    dtUnsignedDoubleWord, dtSingle,       dtOneByte,    dtThreeByte};

// Value types of written values: those with a register form, Boolean for bits, and some
// that have none.
constexpr std::array<TVarType, 10> kValueTypes = {vtSmallint, vtInteger, vtSingle,   vtShortInt,
                                                  vtByte,     vtWord,    vtLongWord, vtBoolean,
                                                  vtDouble,   vtString};

TVariant Arr(std::vector<TVariant> items) {
    return TVariant::Array(vtVariant, std::move(items));
}

TVariant DataTypeCode(TFuzzInput& in) {
    uint8_t b = in.Byte();
    return TVariant(b >= 240 ? int32_t(b - 240) : kDataTypes[b % kDataTypes.size()]);
}

// A single code, or (top bit set) a record of up to 8 field codes.
TVariant DataType(TFuzzInput& in) {
    uint8_t b = in.Byte();
    if ((b & 0x80) == 0) return DataTypeCode(in);
    std::vector<TVariant> codes;
    for (int k = 0; k <= (b & 7); ++k) codes.push_back(DataTypeCode(in));
    return Arr(std::move(codes));
}

TVariant Scalar(TVarType type, TFuzzInput& in) {
    uint32_t raw = in.Long();
    switch (type) {
        case vtSingle:
            return TVariant::Single(float(int32_t(raw)) / 16.0f);
        case vtDouble:
            return TVariant(double(int32_t(raw)));
        case vtBoolean:
            return TVariant(raw % 2 == 1);
        case vtString:
            return TVariant(std::to_string(raw));
        default:
            return TVariant::OfInt(type, int64_t(raw));
    }
}

// A scalar, or an array in one or two dimensions (of one type, or mixed in variants).
TVariant WrittenValue(TFuzzInput& in) {
    uint8_t shape = in.Byte();
    TVarType type = kValueTypes[in.Byte() % kValueTypes.size()];
    if (shape < 64) return Scalar(type, in);
    bool mixed = shape % 2 == 1;
    std::vector<TVarBound> bounds{{0, in.Byte()}};
    if (shape >= 192) bounds.push_back({int32_t(in.Byte() % 4), 1 + in.Byte() % 8});
    TVariant value = TVariant::Array(mixed ? vtVariant : type, std::move(bounds));
    for (TVariant& item : value.Items())
        item = Scalar(mixed ? kValueTypes[in.Byte() % kValueTypes.size()] : type, in);
    return value;
}

// A Boolean, or an array of up to 2047 of them; a few arrays hold other types.
TVariant WrittenBits(TFuzzInput& in) {
    uint8_t shape = in.Byte();
    if (shape < 32) return TVariant(shape % 2 == 1);
    int32_t count = in.Word() % 2048;
    TVarType type = shape >= 248 ? kValueTypes[shape % kValueTypes.size()] : vtBoolean;
    TVariant value = TVariant::Array(type, std::vector<TVarBound>{{0, count}});
    uint8_t bits = 0;
    for (int32_t i = 0; i < count; ++i) {
        if (i % 8 == 0) bits = in.Byte();
        value.Items()[size_t(i)] =
            type == vtBoolean ? TVariant((bits >> (i % 8) & 1) != 0) : Scalar(type, in);
    }
    return value;
}

// Seconds since 1970 as a date-time value; requested archive times are always calendar
// dates, which the reader checks.
TVariant ArchiveTime(TFuzzInput& in) {
    return TVariant::Date(25569.0 + in.Long() / 86400.0);
}

std::vector<TVariant> Fields(int kind, uint8_t address, TFuzzInput& in) {
    const TVariant period(0);
    const TVariant start(int32_t(in.Word()));
    switch (TRequestKind(kind)) {
        case TRequestKind::Exchange: {
            std::vector<TVariant> bytes;
            TVariant function(int32_t(in.Byte()));
            // 255 stands for longer data too, up to frames too long for the buffer.
            int n = in.Byte();
            if (n == 255) n += in.Word() % 512;
            for (; n > 0; --n) bytes.push_back(TVariant(int32_t(in.Byte())));
            return {int32_t(address), function, period, TVariant::Array(vtByte, std::move(bytes))};
        }
        case TRequestKind::GetDeviceName:
            return {};
        case TRequestKind::ReadHoldRegs:
        case TRequestKind::ReadInputRegs: {
            TVariant type = DataType(in);
            return {period, start, type, int32_t(in.Byte())};
        }
        case TRequestKind::WriteHoldRegs:
            return {period, start, WrittenValue(in)};
        case TRequestKind::ReadHoldBins:
        case TRequestKind::ReadInputBins:
            return {period, start, int32_t(in.Word() % 2100)};
        case TRequestKind::WriteHoldBins:
            return {period, start, WrittenBits(in)};
        case TRequestKind::ReadTimeArch: {
            std::vector<TVariant> f{start, int32_t(in.Byte())};
            for (int k = 0; k < 6; ++k) f.push_back(TVariant(int32_t(in.Word())));
            f.push_back(DataType(in));
            return f;
        }
        case TRequestKind::ReadIndexArch: {
            TVariant count(int32_t(in.Byte())), index(int32_t(in.Word()));
            return {start, count, index, DataType(in)};
        }
        case TRequestKind::ReadStatus:
            return {period};
        case TRequestKind::Diagnostics: {
            TVariant sub(int32_t(in.Word()));
            return {period, sub, int32_t(in.Word())};
        }
        case TRequestKind::ReadTimeArchMatched: {
            TVariant count(int32_t(in.Byte())), time = ArchiveTime(in), type = DataType(in);
            TVariant level(int32_t(in.Byte() % 4));
            return {start, count, time, type, level, int32_t(int8_t(in.Byte()))};
        }
    }
    return {};
}

}  // namespace

TFuzzRequest MakeRequest(TFuzzInput& in) {
    uint8_t kindByte = in.Byte(), flags = in.Byte(), address = in.Byte();
    // A few kinds beyond the last one, to reach the reader's refusal.
    int kind = kindByte < 250 ? kindByte % kKinds : kindByte - 250 + kKinds;
    TFuzzRequest r;
    r.Settings.DefaultAddress = address;
    r.Settings.Mode = flags & 1 ? mbcASCII : mbcRTU;
    r.Settings.Parity = uint8_t(flags >> 1 & 3) % 3;
    r.Settings.AdjustToWord = (flags & 8) != 0;
    r.Settings.OptimalUseFunction = (flags & 16) != 0;
    std::vector<TVariant> array{kind, int32_t(in.Word())};
    for (TVariant& field : Fields(kind, address, in)) array.push_back(std::move(field));
    r.Array = Arr(std::move(array));
    return r;
}

}  // namespace trelon::fuzz
