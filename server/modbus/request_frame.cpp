#include "request_frame.h"

#include <utility>
#include <vector>

#include "value_codec.h"

namespace trelon {

namespace {

constexpr uint8_t kWriteSingleRegister = 6;
constexpr uint8_t kWriteSingleCoil = 5;

void PutExchangeBytes(const TVariant& bytes, TFrameWriter& w) {
    for (const TVariant& item : bytes.Items()) w.Put(uint8_t(item.ToInt64()));
}

void PutRegisterWrite(const TModbusRequest& r, TFrameWriter& w) {
    w.PutWord(uint16_t(r.StartAddress));
    if (r.Function != kWriteSingleRegister) {
        w.PutWord(uint16_t(r.RegisterCount()));
        w.Put(uint8_t(r.DataBytes()));
    }
    EncodeValue(r.Value, r.AdjustToWord, w);
    if (r.Function != kWriteSingleRegister && r.OddByte) w.Put(0);
}

// Element i sets bit (i mod 8) of byte (i div 8); a single Boolean is the byte 1 or 0.
void PutPackedBits(const TVariant& value, TFrameWriter& w) {
    if (!value.IsArray()) return w.Put(value.ToBool() ? 1 : 0);
    const std::vector<TVariant>& items = value.Items();
    uint8_t byte = 0;
    for (size_t i = 0; i < items.size(); ++i) {
        if (items[i].ToBool()) byte |= uint8_t(1 << (i % 8));
        if (i % 8 == 7) w.Put(std::exchange(byte, 0));
    }
    if (items.size() % 8 != 0) w.Put(byte);
}

bool FirstBool(const TVariant& value) {
    if (!value.IsArray()) return value.ToBool();
    return !value.Items().empty() && value.Items().front().ToBool();
}

void PutBitWrite(const TModbusRequest& r, TFrameWriter& w) {
    w.PutWord(uint16_t(r.StartAddress));
    if (r.Function == kWriteSingleCoil) {
        w.PutWord(FirstBool(r.Value) ? 0xFF00 : 0x0000);
        return;
    }
    w.PutWord(uint16_t(r.Count));
    w.Put(uint8_t(r.ItemSize));
    PutPackedBits(r.Value, w);
}

void PutArchiveHead(const TModbusRequest& r, uint8_t byTime, TFrameWriter& w) {
    w.PutWord(r.ArchNum);
    w.PutWord(r.ArchCount);
    w.Put(byTime);
}

void PutArchiveTime(const TModbusRequest& r, TFrameWriter& w) {
    PutArchiveHead(r, 1, w);
    for (uint8_t part : {r.Second, r.Minute, r.Hour, r.Day, r.Month, r.Year}) w.Put(part);
}

void PutData(const TModbusRequest& r, TFrameWriter& w) {
    switch (r.RequestKind) {
        case TRequestKind::Exchange:
            return PutExchangeBytes(r.Value, w);
        case TRequestKind::ReadHoldRegs:
        case TRequestKind::ReadInputRegs:
            w.PutWord(uint16_t(r.StartAddress));
            return w.PutWord(uint16_t(r.RegisterCount()));
        case TRequestKind::WriteHoldRegs:
            return PutRegisterWrite(r, w);
        case TRequestKind::ReadHoldBins:
        case TRequestKind::ReadInputBins:
            w.PutWord(uint16_t(r.StartAddress));
            return w.PutWord(uint16_t(r.Count));
        case TRequestKind::WriteHoldBins:
            return PutBitWrite(r, w);
        case TRequestKind::ReadTimeArch:
        case TRequestKind::ReadTimeArchMatched:
            return PutArchiveTime(r, w);
        case TRequestKind::ReadIndexArch:
            PutArchiveHead(r, 0, w);
            return w.PutWord(r.ArchIndex);
        case TRequestKind::Diagnostics:
            w.PutWord(r.SubFunction);
            return w.PutWord(r.SubData);
        case TRequestKind::GetDeviceName:
        case TRequestKind::ReadStatus:
            return;
    }
    throw EFrameError("unknown request kind");
}

}  // namespace

size_t BuildFrame(const TModbusRequest& request, std::span<uint8_t> buffer) {
    if (request.Invalid) throw EFrameError("invalid request");
    const TFrameBackend& backend = FrameBackend(request.Mode);
    TFrameBuffer frame(buffer);
    TFrameWriter w(backend, frame);
    backend.Begin(frame);
    w.Put(request.DeviceAddress);
    w.Put(request.Function);
    try {
        PutData(request, w);
    } catch (const EVariantError& e) {
        throw EFrameError(e.what());
    }
    backend.Finish(frame);
    return frame.Size();
}

}  // namespace trelon
