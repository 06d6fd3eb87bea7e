#include "char_wire.h"

#include <bit>

#include <termios.h>

namespace trelon {

namespace {

bool ParityBit(TParity parity, std::uint8_t data) {
    bool oddOnes = std::popcount(data) % 2 != 0;
    switch (parity) {
        case TParity::Odd:
            return !oddOnes;
        case TParity::Even:
            return oddOnes;
        case TParity::Mark:
            return true;
        default:
            return false;
    }
}

// The line level during bit `index` of a character: start bit, data bits from the least
// significant one, parity bit, then stop bits and the idle line (both high).
bool LineLevel(const TCharFormat& format, std::uint8_t data, int index) {
    if (index == 0) return false;
    if (index <= format.DataBits) return (data >> (index - 1)) & 1;
    if (index == format.DataBits + 1 && format.Parity != TParity::None)
        return ParityBit(format.Parity, data);
    return true;
}

std::uint8_t Masked(std::uint8_t value, int dataBits) {
    return static_cast<std::uint8_t>(value & ((1u << dataBits) - 1));
}

}  // namespace

std::optional<TReceivedChar> SampleChar(const TCharFormat& sent, const TCharFormat& expected,
                                        std::uint8_t value) {
    std::uint8_t data = Masked(value, sent.DataBits);
    // Sample k sits at (k + 0.5) receiver bit times, i.e. in this bit of the sender.
    auto sample = [&](int k) {
        auto index = (2ULL * k + 1) * sent.Baud / (2ULL * expected.Baud);
        return LineLevel(sent, data, static_cast<int>(index));
    };
    if (sample(0)) return std::nullopt;
    TReceivedChar received;
    for (int bit = 0; bit < expected.DataBits; ++bit)
        if (sample(bit + 1)) received.Value |= static_cast<std::uint8_t>(1u << bit);
    int next = expected.DataBits + 1;
    if (expected.Parity != TParity::None)
        received.ParityError = sample(next++) != ParityBit(expected.Parity, received.Value);
    received.FramingError = !sample(next);
    return received;
}

TErrorHandling ErrorHandlingOf(const termios& settings) {
    return {(settings.c_iflag & INPCK) != 0, (settings.c_iflag & IGNPAR) != 0};
}

std::optional<std::uint8_t> PassedOn(const TReceivedChar& received, TErrorHandling handling) {
    bool error = received.FramingError || received.ParityError;
    if (!error || !handling.Check) return received.Value;
    if (handling.Ignore) return std::nullopt;
    return std::uint8_t{0};
}

}  // namespace trelon
