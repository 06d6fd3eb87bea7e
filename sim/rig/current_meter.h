// The current meter (ИПТ): four channels measuring, with its own small error, the currents
// of what is wired to them: a current slot of the flowmeter, or a current adapter that
// turns a pulse output's frequency into a current over its range.
#pragma once

#include <array>

#include "rig_device.h"

namespace trelon::rig {

struct TCurrentSource {
    enum class TKind { None, Slot, Adapter };
    TKind Kind = TKind::None;
    int Index = 0;              // slot (from 0) or flowmeter output
    double Low = 4, High = 20;  // adapter range, mA
};

class TCurrentMeter : public TRigDevice {
  public:
    static constexpr int kInputs = 4;

    TCurrentMeter();

    const TCurrentSource& Source(int input) const { return sources_[input]; }
    // The currents that really flow into its channels, mA.
    void SetTrueCurrents(const std::array<double, kInputs>& currents) { currents_ = currents; }
    double Measured(int input) const;

    void Publish(TModelTime now) override;
    std::string SetParameter(const std::string& name, std::span<const std::string> args) override;
    std::string ParameterHelp() const override;
    std::string Describe() const override;

  private:
    std::array<TCurrentSource, kInputs> sources_;
    std::array<double, kInputs> currents_{};
    double error_ = 0.0002;  // relative
    double offset_ = 0;      // mA
};

// "slot1", "slot2", "adapter OUT LOW HIGH" (output from 0) or "none".
std::optional<TCurrentSource> ParseCurrentSource(std::span<const std::string> words);
std::string SourceText(const TCurrentSource& source);

}  // namespace trelon::rig
