// A frame being built in storage that its caller owns (a transport task's data, a scratch
// buffer). Appending never writes beyond the storage: a frame that does not fit raises.
#pragma once

#include <cstdint>
#include <span>
#include <stdexcept>

namespace trelon {

// The frame cannot be built: it would not fit its buffer, or the request is unusable.
class EFrameError : public std::range_error {
  public:
    using std::range_error::range_error;
};

class TFrameBuffer {
  public:
    explicit TFrameBuffer(std::span<uint8_t> storage) : storage_(storage) {}

    // EFrameError (empty message) when the storage is full.
    void Append(uint8_t byte) {
        if (size_ == storage_.size()) throw EFrameError("");
        storage_[size_++] = byte;
    }
    size_t Size() const { return size_; }
    size_t Capacity() const { return storage_.size(); }
    std::span<const uint8_t> Bytes() const { return storage_.first(size_); }

  private:
    std::span<uint8_t> storage_;
    size_t size_ = 0;
};

}  // namespace trelon
