// Spots fixed texts (such as a modem's "NO CARRIER") in a stream of bytes, one byte at a time,
// without regard to letter case. Used by one thread at a time.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace trelon {

class TByteWatcher {
  public:
    // Adds a pattern; its index is the number of patterns added before it.
    void AddPattern(std::string text);
    // Takes the next byte. Returns the index of the first pattern (in order of addition) that
    // the stream now ends with, or -1. An empty pattern never matches.
    int32_t Feed(uint8_t b);

  private:
    std::vector<std::string> patterns_;  // folded to lower case
    std::string window_;                 // the last bytes seen, as long as the longest pattern
    size_t seen_ = 0;                    // bytes fed, up to the window's length
};

}  // namespace trelon
