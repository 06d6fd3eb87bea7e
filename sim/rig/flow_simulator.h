// The flow simulator (ИМР): calibrates its delay, counts its autocirculations, and
// simulates a flow on the flowmeter channel it is connected to, open-ended or for a time.
// The flow it makes is 0.4913328 × delay × (delayed pulses + 1) / autocirculations, the
// same rule by which the wizard turns a flow into pulses, so with the delay its
// calibration reports the wizard knows the flow it simulates.
#pragma once

#include <optional>

#include "rig_device.h"

namespace trelon::rig {

class TFlowSimulator : public TRigDevice {
  public:
    static constexpr double kFlowPerDelay = 0.4913328;

    TFlowSimulator();

    // The flow it makes now, m3/h (0 unless simulating).
    double Flow() const;
    // The flowmeter channel it feeds, given the flowmeter's current channel.
    int Channel(int currentChannel) const { return channel_ < 0 ? currentChannel : channel_; }

    void Publish(TModelTime now) override;
    TException CheckWrite(const TRequest& request) const override;
    void AfterWrite(const TRequest& request, TModelTime now) override;
    std::optional<TModelTime> NextEvent() const override;
    void Fire(TModelTime now) override;
    std::string SetParameter(const std::string& name, std::span<const std::string> args) override;
    std::string ParameterHelp() const override;
    std::string Describe() const override;

  private:
    void Command(int command, TModelTime now);
    void Calibrate();
    // Ends a simulation, keeping the time it ran.
    void Halt(TModelTime now);
    std::uint32_t ElapsedMs(TModelTime now) const;

    double delay_ = 620;  // its true delay, in the units of its times T1, T2
    int circulations_ = 780;
    int channel_ = -1;  // -1: whichever channel the flowmeter has as current
    double countTime_ = 0.5;
    int state_ = 0, error_ = 0, last_ = 0;
    int shownCirculations_ = 0;
    std::optional<TModelTime> countDue_;
    TModelTime startedAt_ = 0;
    std::uint32_t durationMs_ = 0;  // 0: until stopped
    std::uint32_t elapsedMs_ = 0;   // of the last simulation, once it ended
};

}  // namespace trelon::rig
