// How the wizard reads the rig, written out here as the test's own oracle: the kind of a
// device from its name answer, the delay from the flow simulator's calibration, the pulses
// it writes for a flow and the flow it then expects.
#pragma once

#include <array>
#include <cstdint>
#include <string>

namespace trelon::rig::test {

// 0 unrecognised, 1 flow simulator, 2 current meter, 3 pulse counter, 4 flowmeter.
int DeviceKind(const std::string& answer);

struct TCalibrationReading {
    std::array<std::uint32_t, 10> Sums{};
    std::uint32_t Quartz = 0;
    float T1 = 0, T2 = 0;
    int Conversions = 10;
};
double CalibratedDelay(const TCalibrationReading& reading);

int DelayedPulses(double flow, int circulations, double delay);
double SimulatedFlow(int pulses, int circulations, double delay);

}  // namespace trelon::rig::test
