#include "rtu_frame.h"

namespace trelon::rig {

namespace {

std::uint16_t Word(std::span<const std::uint8_t> bytes, std::size_t at) {
    return static_cast<std::uint16_t>(bytes[at] << 8 | bytes[at + 1]);
}

// Largest quantities one request may carry.
constexpr std::uint16_t kMaxReadBits = 2000;
constexpr std::uint16_t kMaxReadRegisters = 125;
constexpr std::uint16_t kMaxWriteBits = 1968;
constexpr std::uint16_t kMaxWriteRegisters = 123;

bool QuantityFits(std::uint16_t count, std::uint16_t max) {
    return count >= 1 && count <= max;
}

// Fields of functions 15 and 16 after the start address; false when they do not agree.
bool TakeMultiple(std::span<const std::uint8_t> pdu, TRequest& request) {
    request.Count = Word(pdu, 3);
    std::size_t bytes = pdu[5];
    bool bits = request.Function == 15;
    std::size_t needed = bits ? (request.Count + 7u) / 8u : request.Count * 2u;
    if (!QuantityFits(request.Count, bits ? kMaxWriteBits : kMaxWriteRegisters) ||
        bytes != needed || pdu.size() != 6 + bytes)
        return false;
    for (std::size_t i = 0; i < request.Count; ++i)
        request.Values.push_back(bits ? (pdu[6 + i / 8] >> (i % 8)) & 1u : Word(pdu, 6 + 2 * i));
    return true;
}

// The fields after the function number; false when they do not fit the function.
bool TakeFields(std::span<const std::uint8_t> pdu, TRequest& request) {
    switch (request.Function) {
        case 1:
        case 2:
        case 3:
        case 4:
            request.Count = Word(pdu, 3);
            return pdu.size() == 5 &&
                   QuantityFits(request.Count,
                                request.Function <= 2 ? kMaxReadBits : kMaxReadRegisters);
        case 5: {
            std::uint16_t value = Word(pdu, 3);
            request.Count = 1;
            request.Values = {static_cast<std::uint16_t>(value == 0xFF00)};
            return pdu.size() == 5 && (value == 0xFF00 || value == 0);
        }
        case 6:
            request.Count = 1;
            request.Values = {Word(pdu, 3)};
            return pdu.size() == 5;
        default:
            return pdu.size() >= 6 && TakeMultiple(pdu, request);
    }
}

}  // namespace

std::uint16_t Crc16(std::span<const std::uint8_t> bytes) {
    std::uint16_t crc = 0xFFFF;
    for (std::uint8_t byte : bytes) {
        crc ^= byte;
        for (int bit = 0; bit < 8; ++bit) crc = crc & 1 ? (crc >> 1) ^ 0xA001 : crc >> 1;
    }
    return crc;
}

void AppendCrc(TBytes& frame) {
    std::uint16_t crc = Crc16(frame);
    frame.push_back(static_cast<std::uint8_t>(crc & 0xFF));
    frame.push_back(static_cast<std::uint8_t>(crc >> 8));
}

bool CrcMatches(std::span<const std::uint8_t> frame) {
    if (frame.size() < 3) return false;
    std::uint16_t crc = Crc16(frame.first(frame.size() - 2));
    return frame[frame.size() - 2] == (crc & 0xFF) && frame[frame.size() - 1] == crc >> 8;
}

std::optional<std::size_t> RequestLength(std::span<const std::uint8_t> head) {
    if (head.size() < 2) return std::nullopt;
    switch (head[1]) {
        case 1:
        case 2:
        case 3:
        case 4:
        case 5:
        case 6:
        case 8:
            return 8;
        case 7:
        case 11:
        case 12:
        case 17:
            return 4;
        case 15:
        case 16:
            if (head.size() < 7) return std::nullopt;
            return 9 + std::size_t{head[6]};
        default:
            return std::nullopt;
    }
}

std::optional<TArea> TRequest::Area() const {
    switch (Function) {
        case 1:
        case 5:
        case 15:
            return TArea::Coils;
        case 2:
            return TArea::DiscreteInputs;
        case 3:
        case 6:
        case 16:
            return TArea::Holding;
        case 4:
            return TArea::Input;
        default:
            return std::nullopt;
    }
}

TParsed ParseRequest(std::span<const std::uint8_t> frame) {
    TParsed parsed;
    TRequest& request = parsed.Request;
    request.Address = frame[0];
    request.Function = frame[1];
    // The PDU: function number and fields, without address and CRC.
    auto pdu = frame.subspan(1, frame.size() - 3);
    bool known = request.Function == 17 || request.Area().has_value();
    if (!known) {
        parsed.Error = TException::IllegalFunction;
    } else if (request.Function == 17) {
        if (pdu.size() != 1) parsed.Error = TException::IllegalValue;
    } else if (pdu.size() < 5) {
        parsed.Error = TException::IllegalValue;
    } else {
        request.Start = Word(pdu, 1);
        if (!TakeFields(pdu, request)) parsed.Error = TException::IllegalValue;
        if (std::uint32_t{request.Start} + request.Count > 0x10000)
            parsed.Error = TException::IllegalAddress;
    }
    return parsed;
}

TBytes ExceptionAnswer(std::uint8_t address, std::uint8_t function, TException code) {
    TBytes frame{address, static_cast<std::uint8_t>(function | 0x80),
                 static_cast<std::uint8_t>(code)};
    AppendCrc(frame);
    return frame;
}

TBytes NameAnswer(std::uint8_t address, std::string_view text) {
    text = text.substr(0, 250);  // what one frame holds
    TBytes frame;
    frame.reserve(text.size() + 5);
    frame.push_back(address);
    frame.push_back(17);
    frame.push_back(static_cast<std::uint8_t>(text.size()));
    for (char c : text) frame.push_back(static_cast<std::uint8_t>(c));
    AppendCrc(frame);
    return frame;
}

}  // namespace trelon::rig
