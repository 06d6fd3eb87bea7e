#include "modbus_request.h"

#include <array>
#include <limits>

#include "array_reader.h"
#include "datetime.h"
#include "value_codec.h"

namespace trelon {

namespace {

bool FitsByteCount(int64_t bytes) {
    return bytes >= 1 && bytes <= kMaxDataBytes;
}

int32_t ReadPeriod(const TArrayReader& a, int32_t index) {
    return int32_t(a.Int(index, 0, std::numeric_limits<int32_t>::max()));
}

// A data type code, or an array of codes: one record of mixed fields.
void ReadDataType(TModbusRequest& r, const TVariant& dataType) {
    r.ItemSize = TypeSize(dataType, r.AdjustToWord, false, 1, tmRegisters);
    Require(r.ItemSize >= 1);
    r.RecordType = dataType.IsArray();
    r.DataType.clear();
    if (!r.RecordType) r.DataType.push_back(uint8_t(dataType.ToInt64()));
    for (const TVariant& code : dataType.Items()) r.DataType.push_back(uint8_t(code.ToInt64()));
}

void ReadNothing(const TArrayReader&, TModbusRequest&) {}

void ReadExchange(const TArrayReader& a, TModbusRequest& r) {
    r.DeviceAddress = a.Byte(2);
    r.Function = a.Byte(3);
    r.Period = ReadPeriod(a, 4);
    const TVariant& data = a.At(5);
    Require(data.IsArray() && data.Dims() == 1);
    std::vector<TVariant> bytes;
    for (const TVariant& item : data.Items()) {
        Require(!item.IsArray());
        bytes.push_back(TVariant::OfInt(vtByte, item.ToInt64()));
    }
    r.Value = TVariant::Array(vtByte, std::move(bytes));
}

void ReadRegisterRead(const TArrayReader& a, TModbusRequest& r) {
    r.Period = ReadPeriod(a, 2);
    r.StartAddress = a.Word(3);
    ReadDataType(r, a.At(4));
    r.Count = int32_t(a.Int(5, 1, kMaxDataBytes));
    r.OddByte = int32_t(int64_t(r.ItemSize) * r.Count % 2);
    Require(FitsByteCount(r.DataBytes()));
}

void ReadRegisterWrite(const TArrayReader& a, TModbusRequest& r) {
    r.Period = ReadPeriod(a, 2);
    r.StartAddress = a.Word(3);
    r.Value = a.At(4);
    r.Count = 1;
    r.ItemSize = TypeSize(r.Value, r.AdjustToWord, true, 2, tmRegisters);
    Require(r.ItemSize >= 1);
    r.OddByte = r.ItemSize % 2;
    Require(FitsByteCount(r.DataBytes()));
    r.Function = r.ItemSize == 2 && r.OptimalUseFunction ? 6 : 16;
}

// Bits fill ItemSize data bytes, the last one partly when OddByte is 1.
void SetBitSizes(TModbusRequest& r) {
    Require(r.Count >= 1);
    r.OddByte = r.Count % 8 != 0 ? 1 : 0;
    r.ItemSize = r.Count / 8 + r.OddByte;
    Require(FitsByteCount(r.DataBytes()));
}

void ReadBitRead(const TArrayReader& a, TModbusRequest& r) {
    r.Period = ReadPeriod(a, 2);
    r.StartAddress = a.Word(3);
    r.Count = int32_t(a.Int(4, 1, kMaxDataBytes * 8));
    SetBitSizes(r);
}

void ReadBitWrite(const TArrayReader& a, TModbusRequest& r) {
    r.Period = ReadPeriod(a, 2);
    r.StartAddress = a.Word(3);
    r.Value = a.At(4);
    r.Count = TypeSize(r.Value, r.AdjustToWord, true, 1, tmBits);
    SetBitSizes(r);
    r.Function = r.Count == 1 && r.OptimalUseFunction ? 5 : 15;
}

void ReadArchiveHead(const TArrayReader& a, TModbusRequest& r) {
    r.ArchNum = a.Word(2);
    r.Count = int32_t(a.Int(3, 1, kMaxDataBytes));
    r.ArchCount = uint16_t(r.Count);
}

void ReadArchiveType(const TArrayReader& a, int32_t index, TModbusRequest& r) {
    ReadDataType(r, a.At(index));
    Require(FitsByteCount(r.DataBytes()));
}

void ReadTimeArch(const TArrayReader& a, TModbusRequest& r) {
    ReadArchiveHead(a, r);
    r.Year = a.LowByte(4);
    r.Month = a.LowByte(5);
    r.Day = a.LowByte(6);
    r.Hour = a.LowByte(7);
    r.Minute = a.LowByte(8);
    r.Second = a.LowByte(9);
    ReadArchiveType(a, 10, r);
}

void ReadIndexArch(const TArrayReader& a, TModbusRequest& r) {
    ReadArchiveHead(a, r);
    r.ArchIndex = a.Word(4);
    ReadArchiveType(a, 5, r);
}

void ReadTimeArchMatched(const TArrayReader& a, TModbusRequest& r) {
    ReadArchiveHead(a, r);
    r.TimeStamp = a.Real(4);
    Require(IsCalendarDate(r.TimeStamp));
    TDateParts p = DecodeDateTime(r.TimeStamp);
    r.Year = uint8_t(p.Year % 100);
    r.Month = uint8_t(p.Month);
    r.Day = uint8_t(p.Day);
    r.Hour = uint8_t(p.Hour);
    r.Minute = uint8_t(p.Minute);
    r.Second = uint8_t(p.Second);
    ReadArchiveType(a, 5, r);
    r.TimeCheckLevel = a.Byte(6);
    r.TimeCheckIndex =
        int32_t(a.Int(7, std::numeric_limits<int32_t>::min(), std::numeric_limits<int32_t>::max()));
}

void ReadStatus(const TArrayReader& a, TModbusRequest& r) {
    r.Period = ReadPeriod(a, 2);
}

void ReadDiagnostics(const TArrayReader& a, TModbusRequest& r) {
    r.Period = ReadPeriod(a, 2);
    r.SubFunction = a.Word(3);
    r.SubData = a.Word(4);
}

struct TKindInfo {
    uint8_t Function;
    void (*Read)(const TArrayReader&, TModbusRequest&);
};

// Indexed by request kind.
constexpr std::array<TKindInfo, 13> kKinds = {{
    {0, ReadExchange},
    {17, ReadNothing},
    {3, ReadRegisterRead},
    {16, ReadRegisterWrite},
    {4, ReadRegisterRead},
    {1, ReadBitRead},
    {15, ReadBitWrite},
    {2, ReadBitRead},
    {65, ReadTimeArch},
    {65, ReadIndexArch},
    {7, ReadStatus},
    {8, ReadDiagnostics},
    {65, ReadTimeArchMatched},
}};

void ReadArray(const TVariant& array, TModbusRequest& r) {
    TArrayReader a(array);
    r.RequestKind = TRequestKind(a.Byte(0));
    r.QID = a.At(1).ToInt();
    size_t kind = size_t(r.RequestKind);
    Require(kind < kKinds.size());
    r.Function = kKinds[kind].Function;
    kKinds[kind].Read(a, r);
}

}  // namespace

bool TModbusRequest::IsBitKind() const {
    return RequestKind == TRequestKind::ReadHoldBins ||
           RequestKind == TRequestKind::WriteHoldBins || RequestKind == TRequestKind::ReadInputBins;
}

int64_t TModbusRequest::DataBytes() const {
    return IsBitKind() ? ItemSize : int64_t(ItemSize) * Count + OddByte;
}

TModbusRequest ReadRequest(const TVariant& request, const TModbusSettings& settings) {
    TModbusRequest r;
    r.AdjustToWord = settings.AdjustToWord;
    r.OptimalUseFunction = settings.OptimalUseFunction;
    try {
        ReadArray(request, r);
    } catch (const EUnusableArray&) {
        r.Invalid = true;
    } catch (const EVariantError&) {
        r.Invalid = true;
    }
    if (r.RequestKind != TRequestKind::Exchange) r.DeviceAddress = settings.DefaultAddress;
    r.Mode = settings.Mode;
    r.Parity = settings.Parity;
    r.Retries = settings.Retries;
    return r;
}

}  // namespace trelon
