#include "frame_backend.h"

#include "checksum.h"

namespace trelon {

namespace {

constexpr uint8_t kCR = 13, kLF = 10, kColon = ':';

void RtuBegin(TFrameBuffer&) {}

void RtuPutByte(TFrameBuffer& frame, uint8_t byte) {
    frame.Append(byte);
}

void RtuFinish(TFrameBuffer& frame) {
    uint16_t crc = Crc16(frame.Bytes());
    frame.Append(uint8_t(crc));
    frame.Append(uint8_t(crc >> 8));
}

MBResult RtuUnwrap(std::span<const uint8_t> answer, TFrameBuffer& pdu) {
    if (answer.size() < 4) return mbcNoAnswer;
    size_t n = answer.size() - 2;
    uint16_t sent = uint16_t(answer[n] | answer[n + 1] << 8);
    if (Crc16(answer.first(n)) != sent) return mbcCheckSumError;
    if (n > pdu.Capacity()) return mbcNotEnoughData;
    for (uint8_t b : answer.first(n)) pdu.Append(b);
    return mbcOK;
}

void AsciiBegin(TFrameBuffer& frame) {
    frame.Append(kColon);
}

void AsciiPutByte(TFrameBuffer& frame, uint8_t byte) {
    for (uint8_t c : HexPair(byte)) frame.Append(c);
}

void AsciiFinish(TFrameBuffer& frame) {
    AsciiPutByte(frame, Lrc(frame.Bytes().subspan(1)));
    frame.Append(kCR);
    frame.Append(kLF);
}

bool AsciiEnvelopeOk(std::span<const uint8_t> answer) {
    size_t n = answer.size();
    return n >= 9 && n % 2 == 1 && answer[0] == kColon && answer[n - 2] == kCR &&
           answer[n - 1] == kLF;
}

MBResult AsciiUnwrap(std::span<const uint8_t> answer, TFrameBuffer& pdu) {
    if (answer.empty()) return mbcNoAnswer;
    if (!AsciiEnvelopeOk(answer)) return mbcNotEnoughData;
    std::span<const uint8_t> text = answer.subspan(1, answer.size() - 5);
    size_t lrcAt = answer.size() - 4;
    if (Lrc(text) != HexValue(answer[lrcAt], answer[lrcAt + 1])) return mbcCheckSumError;
    if (text.size() / 2 > pdu.Capacity()) return mbcNotEnoughData;
    for (size_t i = 0; i < text.size(); i += 2) pdu.Append(HexValue(text[i], text[i + 1]));
    return mbcOK;
}

}  // namespace

const TFrameBackend kRtuBackend{mbcRTU, 3, RtuBegin, RtuPutByte, RtuFinish, RtuUnwrap};
const TFrameBackend kAsciiBackend{mbcASCII, 2, AsciiBegin, AsciiPutByte, AsciiFinish, AsciiUnwrap};

const TFrameBackend& FrameBackend(uint8_t mode) {
    return mode == mbcASCII ? kAsciiBackend : kRtuBackend;
}

}  // namespace trelon
