// The flowmeter under test: four channels measuring the flow the rig puts on them with a
// relative error and a true zero offset, corrected by the zero offset written to it; a
// working and a verification mode reached some seconds after they are asked for; volumes
// that accumulate per channel; current slots and pulse outputs driven by the flow.
#pragma once

#include <array>
#include <optional>

#include "rig_device.h"

namespace trelon::rig {

class TFlowmeter : public TRigDevice {
  public:
    static constexpr int kChannels = 4;
    static constexpr int kOutputs = 9;
    static constexpr int kSlots = 2;
    // The nominal currents of the calibration points 0 to 3, mA.
    static constexpr std::array<double, 4> kPointCurrents = {0, 4, 5, 20};

    // clockStart: the device clock (seconds since 1970, local time) at model time 0.
    explicit TFlowmeter(std::uint32_t clockStart = 0);

    // The flow that really passes each channel, m3/h (what the flow simulator makes).
    void SetTrueFlows(const std::array<double, kChannels>& flows) { trueFlows_ = flows; }

    int ChannelCount() const { return channels_; }
    int CurrentChannel() const;
    bool InVerification() const { return state_ == 1; }
    // The flow the device reports for a channel, m3/h.
    double MeasuredFlow(int channel) const;
    double Volume(int channel) const { return volumes_[channel]; }
    // The current a current slot drives, mA; 0 for a slot of another type.
    double SlotCurrent(int slot) const;
    // The pulse frequency of an output, Hz; 0 when it sends no pulses.
    double OutputFrequency(int output) const;
    double MaxFrequency(int output) const;
    int SlotType(int slot) const;

    // Relative errors and zero offsets of the channels (fractions, m3/h).
    void SetError(int channel, double fraction) { errors_[channel] = fraction; }
    void SetTrueZero(int channel, double flow) { zeros_[channel] = flow; }
    // An extra error that makes a channel fail its limits; cleared with the faults.
    void SetFailError(int channel, double fraction) { failErrors_[channel] = fraction; }

    void Publish(TModelTime now) override;
    TException CheckWrite(const TRequest& request) const override;
    void AfterWrite(const TRequest& request, TModelTime now) override;
    std::optional<TModelTime> NextEvent() const override { return modeDue_; }
    void Fire(TModelTime now) override;
    void Integrate(double seconds) override;
    std::string SetParameter(const std::string& name, std::span<const std::string> args) override;
    std::string ParameterHelp() const override;
    std::string Describe() const override;
    void ClearFaults() override;

  private:
    double Reg(std::uint16_t address) const { return Bank().Get(TArea::Holding, address); }
    // The slot's own current for a commanded value, before any calibration, mA.
    double Dac(int slot, double commanded) const;
    void RequestMode(int requested, TModelTime now);

    int channels_ = 4;
    int beams_ = 3;
    double modeDelay_ = 3.0;  // seconds from a request to the new mode
    std::array<double, kChannels> errors_ = {0.0012, -0.0008, 0.0015, 0.0005};
    std::array<double, kChannels> zeros_ = {0.03, -0.02, 0.04, 0.015};
    std::array<double, kChannels> failErrors_{};
    std::array<double, kSlots> dacGain_ = {0.001, -0.0015};   // relative
    std::array<double, kSlots> dacOffset_ = {0.004, -0.003};  // mA
    std::array<double, kChannels> trueFlows_{};
    std::array<double, kChannels> volumes_{};
    std::array<bool, kChannels> accumulating_ = {true, true, true, true};
    int state_ = 0;    // 0 working, 1 verification
    int request_ = 0;  // 0 none, 1 to working, 2 to verification
    std::optional<TModelTime> modeDue_;
    double clockStart_ = 0;  // device clock at model time 0
};

}  // namespace trelon::rig
