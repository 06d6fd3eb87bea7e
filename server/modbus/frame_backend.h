// RTU and ASCII framing behind one table, so that frame building and answer checking
// never ask which mode they run in. Everything here is pure: bytes in, bytes out.
#pragma once

#include <cstdint>
#include <span>

#include "frame_buffer.h"
#include "mb_enums.h"

namespace trelon {

struct TFrameBackend {
    MBMode Mode;
    uint8_t DataBitsCode;  // of the line format: 3 eight bits, 2 seven bits
    // Opens a request frame (the ":" of ASCII).
    void (*Begin)(TFrameBuffer& frame);
    // Appends one byte from the address to the last data byte.
    void (*PutByte)(TFrameBuffer& frame, uint8_t byte);
    // Closes the frame: checksum and tail.
    void (*Finish)(TFrameBuffer& frame);
    // Checks the envelope of an answer and puts its address, function and data into pdu.
    // Never raises; a problem is a result code.
    MBResult (*Unwrap)(std::span<const uint8_t> answer, TFrameBuffer& pdu);
};

extern const TFrameBackend kRtuBackend;
extern const TFrameBackend kAsciiBackend;

// Mode 1 is ASCII; every other mode frames as RTU.
const TFrameBackend& FrameBackend(uint8_t mode);

// Appends the bytes of a frame through its backend.
class TFrameWriter {
  public:
    TFrameWriter(const TFrameBackend& backend, TFrameBuffer& frame)
        : backend_(backend), frame_(frame) {}

    void Put(uint8_t byte) { backend_.PutByte(frame_, byte); }
    void PutWord(uint16_t word) {  // high byte first
        Put(uint8_t(word >> 8));
        Put(uint8_t(word));
    }

  private:
    const TFrameBackend& backend_;
    TFrameBuffer& frame_;
};

}  // namespace trelon
