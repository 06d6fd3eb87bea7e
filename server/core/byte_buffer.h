// A fixed-capacity, thread-safe ring buffer of received bytes: the port's notification thread
// puts, the link's worker thread gets. A full buffer drops further bytes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <mutex>
#include <optional>
#include <vector>

namespace trelon {

inline constexpr size_t kTransportBufferCapacity = 600;  // serial and modem transports
inline constexpr size_t kChannelBufferCapacity = 256;    // BitBus channels

class TByteBuffer {
  public:
    explicit TByteBuffer(size_t capacity);

    // Stores the byte; false when the buffer is full and the byte was dropped.
    bool Put(uint8_t b);
    // The oldest byte, or nothing when the buffer is empty (which then stays as it is).
    std::optional<uint8_t> Get();
    int32_t Count() const;
    void Clear();
    size_t Capacity() const { return storage_.size(); }

  private:
    mutable std::mutex mutex_;
    std::vector<uint8_t> storage_;  // allocated once
    size_t readPos_ = 0;            // the write place is readPos_ + count_, modulo capacity
    size_t count_ = 0;
};

}  // namespace trelon
