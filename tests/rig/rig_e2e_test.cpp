// The simulated rig through the server, as the wizard drives it: a bus client of
// MBComMaster on the rig's virtual line finds the four devices, runs a flow and a volume
// like a verification does, and sees the rig's faults as the result codes they stand for.
#include <gtest/gtest.h>
#include <QDBusConnectionInterface>
#include <QProcess>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <set>

#include "flow_simulator_map.h"
#include "flowmeter_map.h"
#include "mb_client.h"
#include "meters_map.h"
#include "private_bus.h"
#include "rig_sim.h"
#include "wizard_rules.h"

namespace trelon::rig::test {
namespace {

namespace fs = std::filesystem;
using trelon::test::TExchange;
using trelon::test::TMBClient;
using trelon::test::TPrivateBus;
using trelon::test::WaitUntil;

constexpr int kFz = 1, kImr = 3, kIpt = 4, kUsi = 5;
constexpr int mbcOK = 0, mbcNoAnswer = 1, mbcCheckSumError = 2, mbcSDF = 6, mbcIDA = 11;
constexpr int dtUnsignedByte = 17, dtUnsignedWord = 18, dtUnsignedDoubleWord = 19, dtSingle = 4;
constexpr double kTimeScale = 20;

QVariant Arg(const TVariant& v) {
    return ToArg(v);
}
QVariant Type(int code) {
    return Arg(TVariant::OfInt(vtByte, code));
}

class RigThroughServer : public ::testing::Test {
  protected:
    void SetUp() override {
        RegisterWireTypes();
        dir_ = fs::temp_directory_path() / ("rig_e2e_" + std::to_string(::getpid()));
        fs::create_directories(dir_);
        std::ofstream(dir_ / "TrelonSrv.ini") << "[LogKeeper]\nKeepLog=0\n";
        TStartup startup;
        startup.Directory = dir_;
        startup.Baud = 19200;
        startup.TimeScale = kTimeScale;
        sim_ = std::make_unique<TRigSim>(rig_, startup);
        bus_ = std::make_unique<TPrivateBus>(QString());
        server_.start(trelon::test::BinDir() + "/trelonsrv",
                      {"--config", QString::fromStdString((dir_ / "TrelonSrv.ini").string()),
                       "--log-dir", QString::fromStdString((dir_ / "Logs").string())});
        QDBusConnection probe = bus_->Connect("probe");
        ASSERT_TRUE(WaitUntil(
            [&] { return probe.interface()->isServiceRegistered("TrelonSrv.Server").value(); }));
        client_ = std::make_unique<TMBClient>(bus_->Connect("client"));
        client_->Set("ComPort", QString::fromStdString(sim_->Lines().front()->Path().string()));
        client_->Set("ComSpeed", 19200);
        client_->Set("Retries", 1);
        client_->Set("AnswerDelay", 300);
        client_->Set("Connected", true);
        ASSERT_TRUE(client_->Get("Connected").toBool());
    }
    void TearDown() override {
        client_.reset();
        if (server_.state() != QProcess::NotRunning) {
            server_.terminate();
            server_.waitForFinished(20000);
        }
        bus_.reset();
        sim_.reset();
        fs::remove_all(dir_);
    }

    // One request to a device and its answer, the way a wizard page waits for it.
    TExchange Request(int address, const char* method, QVariantList args) {
        client_->Set("DeviceAddres", address);
        int qid = ++qid_;
        args.prepend(qid);
        client_->Call(method, args);
        auto e = client_->Next(qid);
        EXPECT_TRUE(e.has_value()) << "no answer event for " << method;
        return e.value_or(TExchange{qid, -1, -1, {}, -1});
    }
    TVariant Read(int address, const char* method, int reg, int type, int count = 1) {
        TExchange e = Request(address, method, {0, reg, Type(type), count});
        EXPECT_EQ(e.Result, mbcOK) << method << " " << reg;
        return e.Value;
    }
    void Write(int address, int reg, const TVariant& value) {
        EXPECT_EQ(Request(address, "WriteHoldRegs", {0, reg, Arg(value)}).Result, mbcOK) << reg;
    }
    static TVariant Byte(int v) { return TVariant::OfInt(vtByte, v); }

    TRig rig_{0};
    std::unique_ptr<TRigSim> sim_;
    fs::path dir_;
    std::unique_ptr<TPrivateBus> bus_;
    QProcess server_;
    std::unique_ptr<TMBClient> client_;
    int qid_ = 0;
};

TEST_F(RigThroughServer, TheDefaultSearchFindsExactlyTheFourKinds) {
    std::set<int> kinds;
    for (int address : {1, 3, 4, 5}) {
        TExchange e = Request(address, "GetDeviceName", {});
        ASSERT_EQ(e.Result, mbcOK) << address;
        EXPECT_EQ(e.Address, address);
        kinds.insert(DeviceKind(e.Value.ToText()));
    }
    EXPECT_EQ(kinds, (std::set<int>{1, 2, 3, 4}));
    EXPECT_EQ(Request(2, "GetDeviceName", {}).Result, mbcNoAnswer);
}

// Channel 2, a flow, its current and pulses, then a volume: the numbers agree with the
// flowmeter's error, as the verification pages compute them.
TEST_F(RigThroughServer, AVerificationRunGetsConsistentNumbers) {
    sim_->Command("set fz error 2 0.3");
    Write(kFz, fz::kModeRequest, Byte(2));
    ASSERT_TRUE(WaitUntil(
        [&] { return Read(kFz, "ReadInputRegs", fz::kModeState, dtUnsignedByte).ToInt() == 1; }));
    Write(kFz, fz::kChannel, Byte(1));
    Write(kFz, fz::kZeroOffsets + 2, TVariant::Single(0.02f));  // corrects channel 2's -0.02

    // The simulator's calibration and count, as the simulator page does them.
    Write(kImr, imr::kConversions, TVariant::OfInt(vtWord, 10));
    Write(kImr, imr::kCommand, Byte(imr::kCalibrate));
    TCalibrationReading reading;
    TVariant sums = Read(kImr, "ReadInputRegs", imr::kSums, dtUnsignedDoubleWord, 10);
    for (int k = 0; k < 10; ++k) reading.Sums[k] = static_cast<std::uint32_t>(sums[k].ToDouble());
    reading.Quartz = static_cast<std::uint32_t>(
        Read(kImr, "ReadHoldRegs", imr::kQuartz, dtUnsignedDoubleWord).ToDouble());
    TVariant times = Read(kImr, "ReadHoldRegs", imr::kTimes, dtSingle, 2);
    reading.T1 = static_cast<float>(times[0].ToDouble());
    reading.T2 = static_cast<float>(times[1].ToDouble());
    double delay = CalibratedDelay(reading);
    Write(kImr, imr::kCommand, Byte(imr::kCount));
    ASSERT_TRUE(WaitUntil([&] {
        return Read(kImr, "ReadInputRegs", imr::kStatus, dtUnsignedByte, 3)[2].ToInt() ==
               imr::kCountDone;
    }));
    int circulations = Read(kImr, "ReadInputRegs", imr::kCirculations, dtUnsignedWord).ToInt();

    int pulses = DelayedPulses(30, circulations, delay);
    double simulated = SimulatedFlow(pulses, circulations, delay);
    Write(kImr, imr::kDelayedPulses, TVariant::OfInt(vtWord, pulses));
    Write(kImr, imr::kSimulationTime, TVariant::OfUInt(vtLongWord, 0));
    Write(kImr, imr::kCommand, Byte(imr::kStart));

    double flow = Read(kFz, "ReadInputRegs", fz::kFlows + 2, dtSingle).ToDouble();
    EXPECT_NEAR(flow / simulated - 1, 0.003, 1e-5);
    double current = Read(kIpt, "ReadInputRegs", ipt::kCurrents, dtSingle, 4)[0].ToDouble();
    double fromCurrent = (current - 4) * 300 / 16;
    EXPECT_NEAR(fromCurrent / simulated - 1, 0.003, 0.001);

    // A volume of 60 model seconds: zero it, reset the pulses, simulate for a time.
    Write(kImr, imr::kCommand, Byte(imr::kStop));
    Write(kFz, fz::kCutoffs + 2, TVariant::Single(5));
    Write(kFz, fz::kStartVolume + 1, Byte(1));
    EXPECT_EQ(Read(kFz, "ReadInputRegs", fz::kVolumes + 2, dtSingle).ToDouble(), 0.0);
    Write(kUsi, usi::kReset, Byte(5));
    Write(kImr, imr::kSimulationTime, TVariant::OfUInt(vtLongWord, 60'000));
    Write(kImr, imr::kCommand, Byte(imr::kStart));
    ASSERT_TRUE(WaitUntil(
        [&] {
            return Read(kImr, "ReadInputRegs", imr::kStatus, dtUnsignedByte, 3)[0].ToInt() ==
                   imr::kIdle;
        },
        60000));
    EXPECT_EQ(Read(kImr, "ReadInputRegs", imr::kElapsed, dtUnsignedDoubleWord).ToDouble(), 60000);
    double volume = Read(kFz, "ReadInputRegs", fz::kVolumes + 2, dtSingle).ToDouble();
    double simulatedVolume = simulated * 60 / 3600;
    EXPECT_NEAR(volume / simulatedVolume - 1, 0.003, 1e-4);
    double counted =
        Read(kUsi, "ReadInputRegs", usi::kCounts, dtUnsignedDoubleWord, 4)[0].ToDouble();
    EXPECT_NEAR(counted, std::nearbyint(volume * 1000), 1.0);
}

TEST_F(RigThroughServer, AFaultProfileFailsExactlyTheRequestsItNames) {
    sim_->Command("fault fz exception 4 fn 4 reg 0xC1BA");
    sim_->Command("fault imr silent fn 3");
    sim_->Command("fault usi corrupt");
    sim_->Command("fault ipt exception 2");
    EXPECT_EQ(Request(kFz, "ReadInputRegs", {0, fz::kFlows + 2, Type(dtSingle), 1}).Result, mbcSDF);
    EXPECT_EQ(Request(kFz, "ReadInputRegs", {0, fz::kFlows, Type(dtSingle), 1}).Result, mbcOK);
    EXPECT_EQ(
        Request(kImr, "ReadHoldRegs", {0, imr::kQuartz, Type(dtUnsignedDoubleWord), 1}).Result,
        mbcNoAnswer);
    EXPECT_EQ(Request(kImr, "ReadInputRegs", {0, imr::kStatus, Type(dtUnsignedByte), 3}).Result,
              mbcOK);
    EXPECT_EQ(
        Request(kUsi, "ReadInputRegs", {0, usi::kCounts, Type(dtUnsignedDoubleWord), 4}).Result,
        mbcCheckSumError);
    EXPECT_EQ(Request(kIpt, "ReadInputRegs", {0, ipt::kCurrents, Type(dtSingle), 4}).Result,
              mbcIDA);
    sim_->Command("clear all");
    EXPECT_EQ(
        Request(kUsi, "ReadInputRegs", {0, usi::kCounts, Type(dtUnsignedDoubleWord), 4}).Result,
        mbcOK);
}

}  // namespace
}  // namespace trelon::rig::test
