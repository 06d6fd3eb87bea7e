#include "frame_collector.h"

#include <algorithm>

namespace trelon::rig {

std::vector<TBytes> TFrameCollector::Push(std::span<const std::uint8_t> bytes, TWallTime now) {
    std::vector<TBytes> frames = Idle(now);
    pending_.insert(pending_.end(), bytes.begin(), bytes.end());
    last_ = now;
    while (!broken_ && !pending_.empty()) {
        auto length = RequestLength(pending_);
        if (!length || pending_.size() < *length) break;
        std::span<const std::uint8_t> frame(pending_.data(), *length);
        if (!CrcMatches(frame)) {
            broken_ = true;
            break;
        }
        frames.emplace_back(frame.begin(), frame.end());
        pending_.erase(pending_.begin(), pending_.begin() + static_cast<std::ptrdiff_t>(*length));
    }
    if (pending_.size() > kMaxFrame) broken_ = true;
    return frames;
}

std::vector<TBytes> TFrameCollector::Idle(TWallTime now) {
    std::vector<TBytes> frames;
    if (pending_.empty() || now - last_ < silence_) return frames;
    if (!broken_ && pending_.size() >= 4 && CrcMatches(pending_)) frames.push_back(pending_);
    pending_.clear();
    broken_ = false;
    return frames;
}

std::optional<TWallTime> TFrameCollector::Deadline() const {
    if (pending_.empty()) return std::nullopt;
    return last_ + silence_;
}

std::chrono::microseconds TFrameCollector::SilenceAt(int baud, std::chrono::microseconds floor) {
    // 3.5 characters of 11 bits (start, 8 data, parity or a second stop bit, stop).
    auto gap = std::chrono::microseconds(baud > 0 ? 3'500'000LL * 11 / baud : 0);
    return std::max(gap, floor);
}

}  // namespace trelon::rig
