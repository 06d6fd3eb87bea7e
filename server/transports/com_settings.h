// The "Com" section of the server's settings file, read by each serial transport when it is
// created.
#pragma once

#include <cstdint>
#include <string>

namespace trelon {

inline constexpr uint8_t kDefaultByteTimeoutMultiplier = 5;

struct TComSettings {
    // The server's settings file; empty: every setting at its default.
    std::string SettingsPath;
};

// "ByteTimeoutMultiplier": how many gap units of silence end a received frame. Default 5;
// a value that is no number from 0 to 255 also gives the default.
uint8_t ReadByteTimeoutMultiplier(const TComSettings& settings);

}  // namespace trelon
