// Fuzz bytes read from the front as small fields; an exhausted input reads as zeros, so
// every input, however short, gives a complete set of fields.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

namespace trelon::fuzz {

class TFuzzInput {
  public:
    explicit TFuzzInput(std::span<const uint8_t> data) : data_(data) {}

    uint8_t Byte() { return at_ < data_.size() ? data_[at_++] : 0; }
    uint16_t Word() { return uint16_t(Byte() << 8 | Byte()); }
    uint32_t Long() { return uint32_t(Word()) << 16 | Word(); }
    // What the fields have not taken.
    std::span<const uint8_t> Rest() const { return data_.subspan(at_); }

  private:
    std::span<const uint8_t> data_;
    size_t at_ = 0;
};

}  // namespace trelon::fuzz
