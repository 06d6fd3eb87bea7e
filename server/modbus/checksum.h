// Checksums and hexadecimal text of Modbus frames: CRC-16 for RTU, LRC and character
// pairs for ASCII. Pure functions over bytes.
#pragma once

#include <array>
#include <cstdint>
#include <span>

namespace trelon {

// Modbus CRC-16 (reflected 0xA001, start 0xFFFF); sent low byte first. Empty input: 0xFFFF.
uint16_t Crc16(std::span<const uint8_t> bytes);

// Two's complement of the 8-bit sum of the bytes that the character pairs stand for.
uint8_t Lrc(std::span<const uint8_t> hexText);

// The byte as two upper-case hexadecimal characters, high nibble first.
std::array<uint8_t, 2> HexPair(uint8_t byte);

// The byte that two characters stand for. Only digits and upper-case letters decode
// correctly: a character c gives c - 48 below 58 and c - 55 otherwise.
uint8_t HexValue(uint8_t high, uint8_t low);

}  // namespace trelon
