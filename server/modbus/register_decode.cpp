#include "register_decode.h"

#include "datetime.h"
#include "value_codec.h"

namespace trelon {

namespace {

struct TCursor {
    std::span<const uint8_t> Data;
    size_t Position = 0;
    bool AdjustToWord = false;

    MBResult Next(int typeCode, TVariant& value) {
        return DecodeValue(Data, Position, AdjustToWord, typeCode, value);
    }
};

MBResult DecodeArray(int typeCode, int32_t count, TCursor& in, TVariant& value) {
    value = TVariant::Array(TVarType(typeCode), std::vector<TVarBound>{{0, count}});
    for (TVariant& item : value.Items())
        if (MBResult r = in.Next(typeCode, item); r != mbcOK) return r;
    return mbcOK;
}

// Fields of one record into items, in the order of the codes.
MBResult DecodeFields(const std::vector<uint8_t>& codes, TCursor& in, TVariant* items) {
    for (size_t f = 0; f < codes.size(); ++f)
        if (MBResult r = in.Next(codes[f], items[f]); r != mbcOK) return r;
    return mbcOK;
}

MBResult DecodeRecords(const TModbusRequest& req, TCursor& in, TVariant& value) {
    int32_t fields = int32_t(req.DataType.size());
    std::vector<TVarBound> bounds{{0, fields}};
    if (req.Count > 1) bounds.insert(bounds.begin(), TVarBound{0, req.Count});
    value = TVariant::Array(vtVariant, std::move(bounds));
    for (size_t at = 0; at < value.Items().size(); at += size_t(fields))
        if (MBResult r = DecodeFields(req.DataType, in, &value.Items()[at]); r != mbcOK) return r;
    return mbcOK;
}

TDateParts CutToLevel(TDateParts p, uint8_t level) {
    p.Msec = 0;
    if (level > 2) return p;
    p.Minute = p.Second = 0;
    if (level >= 1) p.Hour = 0;
    if (level == 2) p.Day = 1;
    return p;
}

bool SameTime(const TDateParts& a, const TDateParts& b) {
    return a.Year == b.Year && a.Month == b.Month && a.Day == b.Day && a.Hour == b.Hour &&
           a.Minute == b.Minute && a.Second == b.Second;
}

}  // namespace

MBResult DecodeRegisterData(const TModbusRequest& req, std::span<const uint8_t> data,
                            TVariant& value) {
    TCursor in{data, 0, req.AdjustToWord};
    if (req.DataType.empty()) return mbcWrongType;
    if (req.RecordType) {
        MBResult r = DecodeRecords(req, in, value);
        bool matched = req.RequestKind == TRequestKind::ReadTimeArchMatched && req.Count <= 1;
        return r == mbcOK && matched ? CheckRecordTime(req, value) : r;
    }
    if (req.Count <= 1) return in.Next(req.DataType.front(), value);
    return DecodeArray(req.DataType.front(), req.Count, in, value);
}

MBResult CheckRecordTime(const TModbusRequest& req, const TVariant& record) {
    int32_t g = req.TimeCheckIndex;
    if (g < 0 || size_t(g) >= record.Items().size()) return mbcOK;
    try {
        uint32_t seconds = uint32_t(record.Items()[size_t(g)].ToInt64());
        TDateParts got =
            CutToLevel(DecodeDateTime(SecondsToDateTime(seconds, true)), req.TimeCheckLevel);
        TDateParts want = CutToLevel(DecodeDateTime(req.TimeStamp), req.TimeCheckLevel);
        return SameTime(got, want) ? mbcOK : mbcArchiveTimeMismatch;
    } catch (const EVariantError&) {
        return mbcUnknownError;
    }
}

}  // namespace trelon
