#include "char_format.h"

#include <algorithm>
#include <array>
#include <utility>

#include <termios.h>

namespace trelon {

namespace {

constexpr std::array<std::pair<unsigned, std::uint32_t>, 30> kSpeeds{{
    {B50, 50},           {B75, 75},           {B110, 110},         {B134, 134},
    {B150, 150},         {B200, 200},         {B300, 300},         {B600, 600},
    {B1200, 1200},       {B1800, 1800},       {B2400, 2400},       {B4800, 4800},
    {B9600, 9600},       {B19200, 19200},     {B38400, 38400},     {B57600, 57600},
    {B115200, 115200},   {B230400, 230400},   {B460800, 460800},   {B500000, 500000},
    {B576000, 576000},   {B921600, 921600},   {B1000000, 1000000}, {B1152000, 1152000},
    {B1500000, 1500000}, {B2000000, 2000000}, {B2500000, 2500000}, {B3000000, 3000000},
    {B3500000, 3500000}, {B4000000, 4000000},
}};

constexpr std::uint32_t kFallbackBaud = 9600;

int DataBitsOf(tcflag_t cflag) {
    switch (cflag & CSIZE) {
        case CS5:
            return 5;
        case CS6:
            return 6;
        case CS7:
            return 7;
        default:
            return 8;
    }
}

TParity ParityOf(tcflag_t cflag) {
    if (!(cflag & PARENB)) return TParity::None;
    bool odd = cflag & PARODD;
    if (cflag & CMSPAR) return odd ? TParity::Mark : TParity::Space;
    return odd ? TParity::Odd : TParity::Even;
}

}  // namespace

int BitsPerChar(const TCharFormat& format) {
    return 1 + format.DataBits + (format.Parity == TParity::None ? 0 : 1) + format.StopBits;
}

std::chrono::nanoseconds CharTime(const TCharFormat& format) {
    auto baud = std::max<std::uint32_t>(format.Baud, 1);
    return std::chrono::nanoseconds(BitsPerChar(format) * 1'000'000'000LL / baud);
}

std::chrono::nanoseconds FrameGap(const TCharFormat& format) {
    return std::max<std::chrono::nanoseconds>(CharTime(format) * 7 / 2,
                                              std::chrono::microseconds(1750));
}

std::optional<std::uint32_t> BaudOfSpeed(unsigned speed) {
    auto it = std::find_if(kSpeeds.begin(), kSpeeds.end(),
                           [speed](const auto& entry) { return entry.first == speed; });
    if (it == kSpeeds.end()) return std::nullopt;
    return it->second;
}

std::optional<unsigned> SpeedOfBaud(std::uint32_t baud) {
    auto it = std::find_if(kSpeeds.begin(), kSpeeds.end(),
                           [baud](const auto& entry) { return entry.second == baud; });
    if (it == kSpeeds.end()) return std::nullopt;
    return it->first;
}

TCharFormat CharFormatOf(const termios& settings, const std::optional<TWordFormat>& word) {
    TCharFormat format;
    format.Baud = BaudOfSpeed(cfgetospeed(&settings)).value_or(kFallbackBaud);
    format.DataBits = word ? word->DataBits : DataBitsOf(settings.c_cflag);
    format.Parity = word ? word->Parity : ParityOf(settings.c_cflag);
    format.StopBits = (settings.c_cflag & CSTOPB) ? 2 : 1;
    return format;
}

}  // namespace trelon
