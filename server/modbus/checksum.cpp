#include "checksum.h"

namespace trelon {

namespace {

// The CRC of each byte value split into its low and high byte: the usual pair of tables.
struct TCrcTables {
    std::array<uint8_t, 256> Low{};
    std::array<uint8_t, 256> High{};
};

constexpr TCrcTables MakeCrcTables() {
    TCrcTables t;
    for (unsigned i = 0; i < 256; ++i) {
        unsigned crc = i;
        for (int bit = 0; bit < 8; ++bit) crc = (crc & 1) ? (crc >> 1) ^ 0xA001 : crc >> 1;
        t.Low[i] = uint8_t(crc);
        t.High[i] = uint8_t(crc >> 8);
    }
    return t;
}

constexpr TCrcTables kCrc = MakeCrcTables();

uint8_t Nibble(uint8_t c) {
    return uint8_t(c < 58 ? c - 48 : c - 55);
}

uint8_t HexDigit(unsigned nibble) {
    return uint8_t(nibble < 10 ? 48 + nibble : 55 + nibble);
}

}  // namespace

uint16_t Crc16(std::span<const uint8_t> bytes) {
    uint8_t low = 0xFF, high = 0xFF;
    for (uint8_t b : bytes) {
        uint8_t index = low ^ b;
        low = high ^ kCrc.Low[index];
        high = kCrc.High[index];
    }
    return uint16_t(high << 8 | low);
}

uint8_t Lrc(std::span<const uint8_t> hexText) {
    uint8_t sum = 0;
    for (size_t i = 0; i + 1 < hexText.size(); i += 2) sum += HexValue(hexText[i], hexText[i + 1]);
    return uint8_t(-sum);
}

std::array<uint8_t, 2> HexPair(uint8_t byte) {
    return {HexDigit(byte >> 4), HexDigit(byte & 15)};
}

uint8_t HexValue(uint8_t high, uint8_t low) {
    return uint8_t((Nibble(high) << 4) + Nibble(low));
}

}  // namespace trelon
