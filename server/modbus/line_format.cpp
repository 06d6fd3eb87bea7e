#include "line_format.h"

#include <array>
#include <atomic>

#include "frame_backend.h"

namespace trelon {

namespace {

// Parity code in bits 2-4, stop bits code in bits 5-6.
constexpr std::array<int32_t, 3> kParityWords = {2 << 5, 1 << 2, 2 << 2};

std::atomic<bool> gTenBitsForAll{true};

}  // namespace

int32_t LineFormat(uint8_t mode, uint8_t parity) {
    int32_t word = gTenBitsForAll ? 0 : kParityWords[parity < kParityWords.size() ? parity : 0];
    return FrameBackend(mode).DataBitsCode | word;
}

void SetTenBitsForAll(bool on) {
    gTenBitsForAll = on;
}

bool TenBitsForAll() {
    return gTenBitsForAll;
}

}  // namespace trelon
