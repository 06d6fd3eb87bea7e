#include "answer_check.h"

#include <array>
#include <string>

#include "codepage.h"
#include "frame_backend.h"
#include "register_decode.h"

namespace trelon {

namespace {

using TBytes = std::span<const uint8_t>;

// Device exception codes 1 to 8.
constexpr std::array<MBResult, 8> kExceptions = {mbcIFN, mbcIDA, mbcIDV,  mbcSDF,
                                                 mbcACK, mbcSDB, mbcNACK, mbcMPE};

MBResult ExceptionResult(uint8_t code) {
    return code >= 1 && code <= kExceptions.size() ? kExceptions[code - 1] : mbcUnknownError;
}

// Address, function and device exceptions.
MBResult CheckHeader(const TModbusRequest& req, TBytes pdu) {
    if (pdu.size() < 2) return mbcNotEnoughData;
    if (pdu[0] != req.DeviceAddress) return mbcWrongAddr;
    if ((pdu[1] & 0x7F) != req.Function) return mbcWrongFunNumber;
    if ((pdu[1] & 0x80) == 0) return mbcOK;
    return pdu.size() < 3 ? mbcNotEnoughData : ExceptionResult(pdu[2]);
}

// The byte count (third byte) says how many bytes follow, and that is what was asked for.
bool ByteCountIs(TBytes pdu, int64_t expected) {
    return pdu.size() >= 3 && pdu[2] == pdu.size() - 3 && pdu[2] == expected;
}

uint16_t WordAt(TBytes pdu, size_t at) {
    return uint16_t(pdu[at] << 8 | pdu[at + 1]);
}

MBResult DecodeExchange(TBytes pdu, TVariant& value) {
    std::vector<TVariant> bytes;
    for (uint8_t b : pdu.subspan(2)) bytes.push_back(TVariant::OfInt(vtByte, b));
    value = TVariant::Array(vtByte, std::move(bytes));
    return mbcOK;
}

// Single-byte Cyrillic text, cut at its first NUL.
MBResult DecodeDeviceName(TBytes pdu, TVariant& value) {
    if (pdu.size() <= 2 || pdu.size() != size_t(pdu[2]) + 3) return mbcNotEnoughData;
    std::string raw(pdu.begin() + 3, pdu.end());
    value = TVariant(Cp1251ToUtf8(raw.substr(0, raw.find('\0'))));
    return mbcOK;
}

MBResult DecodeBits(const TModbusRequest& req, TBytes pdu, TVariant& value) {
    if (!ByteCountIs(pdu, req.ItemSize) || int64_t(req.Count) > 8 * int64_t(req.ItemSize))
        return mbcNotEnoughData;
    auto bit = [&](int32_t i) { return ((pdu[3 + size_t(i) / 8] >> (i % 8)) & 1) != 0; };
    if (req.Count == 1) {
        value = TVariant(bit(0));
        return mbcOK;
    }
    value = TVariant::Array(vtBoolean, std::vector<TVarBound>{{0, req.Count}});
    for (int32_t i = 0; i < req.Count; ++i) value[i] = TVariant(bit(i));
    return mbcOK;
}

MBResult DecodeDiagnostics(TBytes pdu, TVariant& value) {
    if (pdu.size() != 6) return mbcNotEnoughData;
    value = TVariant::Array(
        vtWord, {TVariant::OfInt(vtWord, WordAt(pdu, 2)), TVariant::OfInt(vtWord, WordAt(pdu, 4))});
    return mbcOK;
}

MBResult DecodeRegisters(const TModbusRequest& req, TBytes pdu, TVariant& value) {
    if (!ByteCountIs(pdu, req.DataBytes())) return mbcNotEnoughData;
    return DecodeRegisterData(req, pdu.subspan(3), value);
}

MBResult DecodeByKind(const TModbusRequest& req, TBytes pdu, TVariant& value) {
    switch (req.RequestKind) {
        case TRequestKind::Exchange:
            return DecodeExchange(pdu, value);
        case TRequestKind::GetDeviceName:
            return DecodeDeviceName(pdu, value);
        case TRequestKind::WriteHoldRegs:
        case TRequestKind::WriteHoldBins:
            return pdu.size() == 6 ? mbcOK : mbcNotEnoughData;
        case TRequestKind::ReadHoldBins:
        case TRequestKind::ReadInputBins:
            return DecodeBits(req, pdu, value);
        case TRequestKind::ReadStatus:
            if (pdu.size() != 3) return mbcNotEnoughData;
            value = TVariant::OfInt(vtByte, pdu[2]);
            return mbcOK;
        case TRequestKind::Diagnostics:
            return DecodeDiagnostics(pdu, value);
        case TRequestKind::ReadHoldRegs:
        case TRequestKind::ReadInputRegs:
        case TRequestKind::ReadTimeArch:
        case TRequestKind::ReadIndexArch:
        case TRequestKind::ReadTimeArchMatched:
            return DecodeRegisters(req, pdu, value);
    }
    return mbcWrongType;
}

MBResult Check(const TModbusRequest& req, TBytes answer, TVariant& value) {
    if (!req.ExpectsAnswer()) return mbcOK;
    std::array<uint8_t, kFrameCapacity> scratch;
    TFrameBuffer pdu(scratch);
    if (MBResult r = FrameBackend(req.Mode).Unwrap(answer, pdu); r != mbcOK) return r;
    if (MBResult r = CheckHeader(req, pdu.Bytes()); r != mbcOK) return r;
    return DecodeByKind(req, pdu.Bytes(), value);
}

}  // namespace

MBResult CheckAnswer(const TModbusRequest& request, std::span<const uint8_t> answer,
                     TVariant& value) {
    value = TVariant();
    MBResult r = mbcUnknownError;
    try {
        r = Check(request, answer, value);
    } catch (const std::exception&) {
        r = mbcUnknownError;  // a value that could not be built
    }
    if (r != mbcOK) value = TVariant();
    return r;
}

}  // namespace trelon
