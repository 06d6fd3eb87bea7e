// What a receiving port makes of a character sent in another format: the receiver samples
// the sender's bits in the middle of its own bit times, so a speed or format mismatch
// gives the wrong value, a framing error, or no character at all (no start bit seen).
// One character in gives at most one character out; that keeps the model deterministic.
#pragma once

#include <cstdint>
#include <optional>

#include "char_format.h"

struct termios;

namespace trelon {

struct TReceivedChar {
    std::uint8_t Value = 0;
    bool FramingError = false;
    bool ParityError = false;

    bool operator==(const TReceivedChar&) const = default;
};

// nullopt when the receiver does not see a start bit.
std::optional<TReceivedChar> SampleChar(const TCharFormat& sent, const TCharFormat& expected,
                                        std::uint8_t value);

// How the receiver's input flags treat a character with a framing or parity error: only
// with INPCK are errors looked at; then IGNPAR discards the character, otherwise it reads
// as 0 (the marks of PARMRK cannot be passed through a pseudo-terminal).
struct TErrorHandling {
    bool Check = false;   // INPCK
    bool Ignore = false;  // IGNPAR
};

TErrorHandling ErrorHandlingOf(const termios& settings);

// The byte the receiving program reads, or nullopt when the character is discarded.
std::optional<std::uint8_t> PassedOn(const TReceivedChar& received, TErrorHandling handling);

}  // namespace trelon
