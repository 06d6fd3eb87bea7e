// The pulse counter (УСИ): four inputs counting the pulses of the flowmeter outputs wired
// to them, with its own small error. The flowmeter's outputs are passive, so an input
// counts only while it is active (its coil false); the reset register clears counts.
#pragma once

#include <array>

#include "rig_device.h"

namespace trelon::rig {

class TPulseCounter : public TRigDevice {
  public:
    static constexpr int kInputs = 4;

    TPulseCounter();

    // The flowmeter output wired to an input, or -1.
    int Source(int input) const { return sources_[input]; }
    // Pulses per second arriving at each input.
    void SetRates(const std::array<double, kInputs>& rates) { rates_ = rates; }
    std::uint32_t Count(int input) const;
    bool Passive(int input) const;

    void Publish(TModelTime now) override;
    TException CheckWrite(const TRequest& request) const override;
    void AfterWrite(const TRequest& request, TModelTime now) override;
    void Integrate(double seconds) override;
    std::string SetParameter(const std::string& name, std::span<const std::string> args) override;
    std::string ParameterHelp() const override;
    std::string Describe() const override;

  private:
    std::array<int, kInputs> sources_ = {0, 1, 2, 3};
    std::array<double, kInputs> rates_{};
    std::array<double, kInputs> counted_{};
    double error_ = 0;  // relative
};

}  // namespace trelon::rig
