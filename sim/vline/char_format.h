// The shape of one character on a serial line (speed, data bits, parity, stop bits) as a
// port's termios settings give it, and the time that character takes on the line.
#pragma once

#include <chrono>
#include <cstdint>
#include <optional>

struct termios;

namespace trelon {

enum class TParity { None, Odd, Even, Mark, Space };

// Data bits and parity. A Linux pseudo-terminal forces 8 data bits without parity
// whatever its user sets, so a line on ptys can be told what its ends really use.
struct TWordFormat {
    int DataBits = 8;
    TParity Parity = TParity::None;
};

struct TCharFormat {
    std::uint32_t Baud = 9600;
    int DataBits = 8;
    TParity Parity = TParity::None;
    int StopBits = 1;

    bool operator==(const TCharFormat&) const = default;
};

// Start bit + data bits + parity bit + stop bits.
int BitsPerChar(const TCharFormat& format);
std::chrono::nanoseconds CharTime(const TCharFormat& format);
// The silence that ends a frame: 3.5 characters, at least 1.75 ms (the fixed value of
// fast lines), so that scheduling jitter at high speeds does not split a burst.
std::chrono::nanoseconds FrameGap(const TCharFormat& format);

// Baud rate of a termios speed code (B9600 -> 9600); nullopt for B0 and unknown codes.
std::optional<std::uint32_t> BaudOfSpeed(unsigned speed);
// Speed code of a baud rate (9600 -> B9600); nullopt when termios has no code for it.
std::optional<unsigned> SpeedOfBaud(std::uint32_t baud);

// Speed from the output speed (9600 when it has no rate), data bits from CSIZE, parity
// from PARENB/PARODD/CMSPAR, stop bits from CSTOPB; `word` replaces data bits and parity.
TCharFormat CharFormatOf(const termios& settings, const std::optional<TWordFormat>& word);

}  // namespace trelon
