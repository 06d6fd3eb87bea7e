// The request frame of a Modbus request, in RTU or ASCII by the request's mode.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

#include "frame_buffer.h"
#include "modbus_request.h"

namespace trelon {

// Builds the frame into buffer (normally kFrameCapacity bytes) and returns its length.
// Raises EFrameError when the frame does not fit the buffer or the request is Invalid;
// nothing is written beyond the buffer.
size_t BuildFrame(const TModbusRequest& request, std::span<uint8_t> buffer);

}  // namespace trelon
