// The rig as one physical model: the flow simulator's flow passes the flowmeter channel it
// is connected to; the current meter measures the flowmeter's current slots (or current
// adapters on its pulse outputs); the pulse counter counts its pulse outputs. Time comes in
// as a value: the model runs the devices' own events (a mode reached, a timed simulation
// ended) at their moments and accumulates volumes and pulses in between.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string_view>

#include "current_meter.h"
#include "flow_simulator.h"
#include "flowmeter.h"
#include "pulse_counter.h"

namespace trelon::rig {

class TRig {
  public:
    // clockStart: the flowmeter's clock at model time 0 (seconds since 1970, local time).
    explicit TRig(std::uint32_t clockStart = 0);

    TFlowmeter& Flowmeter() { return flowmeter_; }
    TFlowSimulator& Simulator() { return simulator_; }
    TCurrentMeter& CurrentMeter() { return currentMeter_; }
    TPulseCounter& PulseCounter() { return pulseCounter_; }
    // The flowmeter, the flow simulator, the current meter, the pulse counter.
    std::span<TRigDevice* const> Devices() const { return devices_; }
    TRigDevice* ByKind(std::string_view kind) const;
    TRigDevice* ByAddress(std::uint8_t address) const;

    TModelTime Now() const { return now_; }
    // Runs the model up to `now`; an earlier time changes nothing.
    void Advance(TModelTime now);
    // Hands each device what the others give it now; after any write or parameter change.
    void Couple();

  private:
    void Step(double seconds);
    double CurrentInto(const TCurrentSource& source) const;

    TFlowmeter flowmeter_;
    TFlowSimulator simulator_;
    TCurrentMeter currentMeter_;
    TPulseCounter pulseCounter_;
    std::array<TRigDevice*, 4> devices_;
    TModelTime now_ = 0;
};

}  // namespace trelon::rig
