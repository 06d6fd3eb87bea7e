// The rig's physics through the devices' registers, with no line: what the flow simulator
// makes is what the flowmeter measures with its error, and what its current slot and pulse
// output give the current meter and the pulse counter.
#include <gtest/gtest.h>

#include <cmath>

#include "flow_simulator_map.h"
#include "flowmeter_map.h"
#include "meters_map.h"
#include "rig_bench.h"
#include "wizard_rules.h"

namespace trelon::rig::test {
namespace {

constexpr std::uint8_t kFz = 1, kImr = 3, kIpt = 4, kUsi = 5;
constexpr std::uint8_t kReadHolding = 3, kReadInput = 4;

// A bench whose flow simulator is calibrated and counted the way the wizard does it.
class RigModel : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_EQ(bench_.WriteWord(kImr, imr::kConversions, 10), 0);
        ASSERT_EQ(bench_.WriteWord(kImr, imr::kCommand, imr::kCalibrate), 0);
        TCalibrationReading reading;
        auto sums = bench_.Read(kImr, kReadInput, imr::kSums, 20);
        ASSERT_EQ(sums.size(), 20u);
        for (int k = 0; k < 10; ++k)
            reading.Sums[k] = std::uint32_t{sums[2 * k]} << 16 | sums[2 * k + 1];
        reading.Quartz = bench_.ReadU32(kImr, kReadHolding, imr::kQuartz);
        reading.T1 = bench_.ReadFloat(kImr, kReadHolding, imr::kTimes);
        reading.T2 = bench_.ReadFloat(kImr, kReadHolding, imr::kTimes + 2);
        delay_ = CalibratedDelay(reading);
        ASSERT_EQ(bench_.WriteWord(kImr, imr::kCommand, imr::kCount), 0);
        bench_.Pass(1);
        circulations_ = bench_.ReadWord(kImr, kReadInput, imr::kCirculations);
        ASSERT_GE(circulations_, 700);
        ASSERT_LE(circulations_, 850);
    }
    // Starts a simulation of `flow` as the wizard does; the flow it then expects.
    double Simulate(double flow, std::uint32_t ms = 0) {
        int pulses = DelayedPulses(flow, circulations_, delay_);
        EXPECT_EQ(bench_.WriteWord(kImr, imr::kDelayedPulses, static_cast<std::uint16_t>(pulses)),
                  0);
        EXPECT_EQ(bench_.WriteU32(kImr, imr::kSimulationTime, ms), 0);
        EXPECT_EQ(bench_.WriteWord(kImr, imr::kCommand, imr::kStart), 0);
        return SimulatedFlow(pulses, circulations_, delay_);
    }
    float Flow(int channel) { return bench_.ReadFloat(kFz, kReadInput, fz::kFlows + 2 * channel); }
    float Volume(int channel) {
        return bench_.ReadFloat(kFz, kReadInput, fz::kVolumes + 2 * channel);
    }
    float Current(int input) {
        return bench_.ReadFloat(kIpt, kReadInput, ipt::kCurrents + 2 * input);
    }
    std::uint32_t Pulses(int input) {
        return bench_.ReadU32(kUsi, kReadInput, usi::kCounts + 2 * input);
    }
    std::array<std::uint16_t, 3> Status() {
        auto words = bench_.Read(kImr, kReadInput, imr::kStatus, 3);
        return words.size() == 3 ? std::array{words[0], words[1], words[2]}
                                 : std::array<std::uint16_t, 3>{};
    }

    TRigBench bench_;
    double delay_ = 0;
    int circulations_ = 0;
};

TEST_F(RigModel, TheCalibrationTellsTheWizardTheDelayTheSimulatorHas) {
    EXPECT_DOUBLE_EQ(delay_, 620);
    EXPECT_EQ(circulations_, 780);
    // A delay off the calibration's grid is reported to within half a unit (a tenth of a
    // step, as ten conversions resolve it).
    bench_.Command("set imr delay 603.37");
    ASSERT_EQ(bench_.WriteWord(kImr, imr::kCommand, imr::kCalibrate), 0);
    EXPECT_EQ(Status(), (std::array<std::uint16_t, 3>{0, 0, imr::kCalibrated}));
    TCalibrationReading reading;
    auto sums = bench_.Read(kImr, kReadInput, imr::kSums, 20);
    for (int k = 0; k < 10; ++k)
        reading.Sums[k] = std::uint32_t{sums[2 * k]} << 16 | sums[2 * k + 1];
    reading.Quartz = 50'000'000;
    reading.T1 = 0;
    reading.T2 = 2550;
    EXPECT_NEAR(CalibratedDelay(reading), 603.37, 0.5);
}

TEST_F(RigModel, FlowCurrentAndPulsesCarryTheFlowmetersErrorOnly) {
    bench_.Command("set fz error 2 0.3");
    bench_.Command("set fz zero 2 0");
    ASSERT_EQ(bench_.WriteWord(kFz, fz::kChannel, 1), 0);  // the second channel
    double simulated = Simulate(30);
    ASSERT_EQ(bench_.WriteWord(kUsi, usi::kReset, 5), 0);
    bench_.Pass(120);

    EXPECT_NEAR(Flow(1) / simulated - 1, 0.003, 1e-6);
    EXPECT_NEAR(Flow(0), 0.03, 1e-6);  // no flow on the first channel: its zero offset
    // The current slot maps 0..300 m3/h onto 4..20 mA; the current meter errs 0.02 %.
    double current = Current(0), fromCurrent = (current - 4) * 300 / 16;
    EXPECT_NEAR(fromCurrent / simulated - 1, 0.003, 0.0002 * current * 300 / 16 / simulated + 1e-5);
    // The main output gives 1000 pulses per m3 of the measured flow.
    double expected = simulated * 120 / 3600 * 1000;
    EXPECT_NEAR(Pulses(0) / expected - 1, 0.003, 1.0 / expected + 1e-6);
    EXPECT_NEAR(Volume(1), simulated * 1.003 * 120 / 3600, 1e-5);
}

TEST_F(RigModel, AWrittenZeroOffsetCorrectsTheTrueOne) {
    bench_.Command("set fz zero 3 0.0417");
    ASSERT_EQ(bench_.WriteWord(kFz, fz::kChannel, 2), 0);
    EXPECT_NEAR(Flow(2), 0.0417, 1e-6);
    ASSERT_EQ(bench_.WriteFloat(kFz, fz::kZeroOffsets + 4, -0.0417f), 0);
    EXPECT_NEAR(Flow(2), 0, 1e-6);
    EXPECT_FLOAT_EQ(bench_.ReadFloat(kFz, kReadHolding, fz::kZeroOffsets + 4), -0.0417f);
    double simulated = Simulate(13);
    bench_.Pass(5);
    EXPECT_NEAR(Flow(2), simulated * 1.0015, 1e-5);  // the channel's own error stays
}

TEST_F(RigModel, ModesAreReachedSomeSecondsAfterTheRequest) {
    // The state (input 29) and the request (holding 74) the wizard reads for the mode.
    using TMode = std::pair<int, int>;
    auto mode = [&] {
        return TMode{bench_.ReadWord(kFz, kReadInput, fz::kModeState),
                     bench_.ReadWord(kFz, kReadHolding, fz::kModeRequest)};
    };
    EXPECT_EQ(mode(), TMode(0, 0));  // working
    ASSERT_EQ(bench_.WriteWord(kFz, fz::kModeRequest, 2), 0);
    EXPECT_EQ(mode(), TMode(0, 2));  // verification asked
    bench_.Pass(3.5);
    EXPECT_EQ(mode(), TMode(1, 0));                            // verification
    ASSERT_EQ(bench_.WriteWord(kFz, fz::kModeRequest, 2), 0);  // already there
    EXPECT_EQ(mode(), TMode(1, 0));
    ASSERT_EQ(bench_.WriteWord(kFz, fz::kModeRequest, 1), 0);
    EXPECT_EQ(mode(), TMode(1, 1));  // working asked
    bench_.Pass(3.5);
    EXPECT_EQ(mode(), TMode(0, 0));
    EXPECT_EQ(bench_.WriteWord(kFz, fz::kModeRequest, 3), 3);
    EXPECT_EQ(bench_.WriteWord(kFz, fz::kChannel, 4), 3);  // a 4-channel flowmeter
}

// The volume verification: zero the volume with the simulator stopped and a cut-off in
// verification mode, then simulate a volume for a whole number of seconds.
TEST_F(RigModel, ATimedSimulationAccumulatesTheVolumeAndPulsesOfItsTime) {
    ASSERT_EQ(bench_.WriteWord(kFz, fz::kModeRequest, 2), 0);
    bench_.Pass(4);
    ASSERT_EQ(bench_.WriteFloat(kFz, fz::kCutoffs, 5.0f), 0);
    ASSERT_EQ(bench_.WriteWord(kFz, fz::kStartVolume, 1), 0);
    bench_.Pass(1);
    EXPECT_EQ(Volume(0), 0.0f);  // the zero offset is below the cut-off
    ASSERT_EQ(bench_.WriteWord(kUsi, usi::kReset, 5), 0);
    double simulated = Simulate(250, 145'000);
    bench_.Pass(100);
    EXPECT_EQ(Status(), (std::array<std::uint16_t, 3>{imr::kSimulating, 0, imr::kStartDone}));
    bench_.Pass(55);
    EXPECT_EQ(Status(), (std::array<std::uint16_t, 3>{imr::kIdle, 0, imr::kStopDone}));
    EXPECT_EQ(bench_.ReadU32(kImr, kReadInput, imr::kElapsed), 145'000u);
    double volume = simulated * 145 / 3600;
    double measured = (simulated * 1.0012 + 0.03) * 145 / 3600;  // error and zero offset
    EXPECT_NEAR(Volume(0), measured, 1e-5);
    EXPECT_NEAR(Volume(0) / volume - 1, 0.0013, 0.0001);
    EXPECT_NEAR(Pulses(0), Volume(0) * 1000, 1.0);
    bench_.Pass(30);
    EXPECT_NEAR(Volume(0), measured, 1e-5);  // nothing flows after the end
}

TEST_F(RigModel, CountingAutocirculationsTakesAMoment) {
    ASSERT_EQ(bench_.WriteWord(kImr, imr::kCommand, imr::kCount), 0);
    EXPECT_EQ(Status(), (std::array<std::uint16_t, 3>{imr::kCounting, 0, imr::kCountRunning}));
    bench_.Pass(0.6);
    EXPECT_EQ(Status(), (std::array<std::uint16_t, 3>{imr::kIdle, 0, imr::kCountDone}));
    EXPECT_EQ(bench_.WriteWord(kImr, imr::kCommand, 7), 3);
    EXPECT_EQ(bench_.WriteWord(kImr, imr::kDelayedPulses, 1024), 3);
}

// The current-output calibration: the slot drives 0, 4, 5 and 20 mA with its own error,
// the current meter measures them, and once written back the slot drives true currents.
TEST_F(RigModel, ACalibratedCurrentSlotDrivesTheCurrentOfTheFlow) {
    bench_.Command("set fz dac 1 0.6 0.01");
    bench_.Command("set ipt error 0");
    std::array<float, 4> measured{};
    ASSERT_EQ(bench_.WriteWord(kFz, fz::kSlotCalibration, 1), 0);
    for (int point = 0; point < 4; ++point) {
        ASSERT_EQ(bench_.WriteWord(kFz, fz::kSlotPoint, static_cast<std::uint16_t>(point)), 0);
        measured[point] = Current(0);
    }
    EXPECT_NEAR(measured[3], 20 * 1.006 + 0.01, 1e-4);
    for (int point = 0; point < 4; ++point)
        ASSERT_EQ(bench_.WriteFloat(kFz, fz::kCalibCurrents + 4 * point, measured[point]), 0);
    ASSERT_EQ(bench_.WriteWord(kFz, fz::kSlotCalibration, 0), 0);
    bench_.Command("set fz zero 1 0");
    double simulated = Simulate(130);
    EXPECT_NEAR(Current(0), 4 + 16 * simulated * 1.0012 / 300, 1e-4);
}

// A universal output set up as the pulse-outputs dialog does it feeds a current adapter.
TEST_F(RigModel, AnAdapterOnAUniversalOutputGivesTheCurrentOfItsRange) {
    bench_.Command("set ipt error 0");
    constexpr std::uint16_t out = 5;  // first output of slot 2, a universal slot
    ASSERT_EQ(bench_.WriteWord(kFz, fz::kOutputTypes + out, 3), 0);
    ASSERT_EQ(bench_.WriteWord(kFz, fz::kUniversalChannels + out, 1), 0);  // channel 1, Q+
    ASSERT_EQ(bench_.WriteFloat(kFz, fz::kMaxFrequencies + 2 * out, 3000), 0);
    ASSERT_EQ(bench_.WriteFloat(kFz, fz::kFrequencyConstants + 2 * out, 36000), 0);
    bench_.Command("set fz zero 1 0");
    double simulated = Simulate(130);
    EXPECT_NEAR(Current(2), 4 + 16 * simulated * 1.0012 / 300, 1e-4);  // adapter 4..20 mA
    EXPECT_EQ(Current(3), 0.0f);                                       // nothing wired
}

TEST_F(RigModel, APassiveInputCountsNoPulses) {
    Simulate(100);
    ASSERT_EQ(bench_.WriteCoil(kUsi, usi::kInputStates, true), 0);
    bench_.Pass(60);
    EXPECT_EQ(Pulses(0), 0u);
    ASSERT_EQ(bench_.WriteCoil(kUsi, usi::kInputStates, false), 0);
    bench_.Pass(60);
    EXPECT_GT(Pulses(0), 1600u);
    ASSERT_EQ(bench_.WriteWord(kUsi, usi::kReset, 1), 0);
    EXPECT_EQ(Pulses(0), 0u);
    EXPECT_EQ(bench_.WriteWord(kUsi, usi::kReset, 6), 3);
}

TEST_F(RigModel, TheClockRunsOnFromTheTimeWritten) {
    ASSERT_EQ(bench_.WriteU32(kFz, fz::kClock, 1'700'000'000), 0);
    bench_.Pass(10.5);
    EXPECT_EQ(bench_.ReadU32(kFz, kReadHolding, fz::kClock), 1'700'000'010u);
}

}  // namespace
}  // namespace trelon::rig::test
