// The rig's clock: model seconds since the start, running `scale` times as fast as the
// wall clock, so that waits of minutes shrink for tests and demonstrations.
#pragma once

#include <chrono>

#include "rig_device.h"

namespace trelon::rig {

class TRigClock {
  public:
    explicit TRigClock(double scale = 1) : scale_(scale) {}
    double Scale() const { return scale_; }
    TModelTime Now() const {
        std::chrono::duration<double> passed = std::chrono::steady_clock::now() - start_;
        return passed.count() * scale_;
    }

  private:
    double scale_;
    std::chrono::steady_clock::time_point start_ = std::chrono::steady_clock::now();
};

}  // namespace trelon::rig
