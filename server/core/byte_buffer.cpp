#include "core/byte_buffer.h"

namespace trelon {

TByteBuffer::TByteBuffer(size_t capacity) : storage_(capacity) {}

bool TByteBuffer::Put(uint8_t b) {
    std::lock_guard lock(mutex_);
    if (count_ >= storage_.size()) return false;
    storage_[(readPos_ + count_) % storage_.size()] = b;
    ++count_;
    return true;
}

std::optional<uint8_t> TByteBuffer::Get() {
    std::lock_guard lock(mutex_);
    if (count_ == 0) return std::nullopt;
    uint8_t b = storage_[readPos_];
    readPos_ = (readPos_ + 1) % storage_.size();
    --count_;
    return b;
}

int32_t TByteBuffer::Count() const {
    std::lock_guard lock(mutex_);
    return int32_t(count_);
}

void TByteBuffer::Clear() {
    std::lock_guard lock(mutex_);
    count_ = 0;
}

}  // namespace trelon
