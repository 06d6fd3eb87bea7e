// Identifiers of transports and masters: positive 32-bit values from a process-wide counter.
// They are never reused while the server runs, so a stale identifier finds nothing rather
// than a newer object.
#pragma once

#include <cstdint>

namespace trelon {

// The value that means "no object".
inline constexpr int32_t kNoID = -1;

// 1, 2, 3, ... Throws std::overflow_error once every positive value has been given out.
int32_t NewObjectID();

}  // namespace trelon
