#include "fake_device.h"

#include "checksum.h"

namespace trelon::test {

namespace {

uint16_t Word(std::span<const uint8_t> frame, size_t at) {
    return frame.size() > at + 1 ? uint16_t(frame[at] << 8 | frame[at + 1]) : 0;
}

TBytes WithCrc(TBytes pdu) {
    uint16_t crc = Crc16(pdu);
    pdu.push_back(uint8_t(crc));
    pdu.push_back(uint8_t(crc >> 8));
    return pdu;
}

}  // namespace

TSeen ParseRequest(std::span<const uint8_t> frame) {
    TSeen s;
    if (frame.size() >= 2) {
        s.Address = frame[0];
        s.Function = frame[1];
    }
    s.Start = Word(frame, 2);
    return s;
}

TBytes DeviceAnswer(std::span<const uint8_t> frame, uint8_t exceptionCode) {
    if (frame.size() < 4 || frame[0] == 0) return {};
    std::span<const uint8_t> pdu = frame.first(frame.size() - 2);
    if (Crc16(pdu) != uint16_t(frame[frame.size() - 2] | frame[frame.size() - 1] << 8)) return {};
    uint8_t address = frame[0], function = frame[1];
    if (exceptionCode == 0 && function != 3 && function != 4 && function != 6 && function != 16)
        exceptionCode = 1;
    if (exceptionCode != 0) return WithCrc({address, uint8_t(function | 0x80), exceptionCode});
    if (function == 6) return TBytes(frame.begin(), frame.end());
    if (function == 16) return WithCrc(TBytes(pdu.begin(), pdu.begin() + 6));
    uint16_t start = Word(frame, 2), count = Word(frame, 4);
    TBytes answer{address, function, uint8_t(count * 2)};
    for (uint16_t r = start; r != uint16_t(start + count); ++r) {
        answer.push_back(uint8_t(r >> 8));
        answer.push_back(uint8_t(r));
    }
    return WithCrc(std::move(answer));
}

}  // namespace trelon::test
