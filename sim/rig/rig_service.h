// One request heard on a line, answered by the device it is addressed to: the device's
// faults first, then its name answer, an exception, or libmodbus's answer from its
// registers, with the device acting on what was written. Thread-safe: every line and the
// command console go through the one lock.
#pragma once

#include <chrono>
#include <functional>
#include <mutex>
#include <optional>
#include <span>

#include "modbus_replier.h"
#include "rig_model.h"

namespace trelon::rig {

struct TAnswer {
    TBytes Bytes;
    std::chrono::milliseconds Delay{0};  // hold it back this long before sending
};

class TRigService {
  public:
    explicit TRigService(TRig& rig) : rig_(rig) {}

    // The answer to a request frame (with a correct CRC) heard at model time `now` on a
    // line that carries `devices`; empty when nothing answers.
    std::optional<TAnswer> Serve(std::span<const std::uint8_t> frame, TModelTime now,
                                 std::span<TRigDevice* const> devices);

    // Runs `action` on the rig under the lock, the model advanced to `now` first.
    template <typename TAction>
    auto With(TModelTime now, TAction&& action) {
        std::lock_guard lock(lock_);
        rig_.Advance(now);
        return action(rig_);
    }

  private:
    TBytes Answer(TRigDevice& device, const TParsed& parsed, std::span<const std::uint8_t> frame,
                  TModelTime now);
    void Broadcast(const TParsed& parsed, std::span<const std::uint8_t> frame, TModelTime now,
                   std::span<TRigDevice* const> devices);

    std::mutex lock_;
    TRig& rig_;
    TModbusReplier replier_;
};

}  // namespace trelon::rig
