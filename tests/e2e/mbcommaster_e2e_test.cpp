// MBComMaster from end to end: a bus client, the real server, a virtual serial line paced
// at its speed, and libmodbus as the device on the far end.
#include <gtest/gtest.h>
#include <QDBusConnectionInterface>
#include <QProcess>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "log_text.h"
#include "mb_client.h"
#include "modbus_slave.h"
#include "private_bus.h"
#include "virtual_line.h"

namespace trelon::test {
namespace {

namespace fs = std::filesystem;

constexpr int kSlave = 1;
constexpr int mbcOK = 0, mbcNoAnswer = 1, mbcCheckSumError = 2;
constexpr int dtSignedByte = 16, dtUnsignedByte = 17, dtSignedWord = 2, dtUnsignedWord = 18,
              dtSignedDoubleWord = 3, dtUnsignedDoubleWord = 19, dtSingle = 4;

QVariant Arg(const TVariant& v) {
    return ToArg(v);
}
QVariant Type(int code) {
    return Arg(TVariant::OfInt(vtByte, code));
}

class MBComMasterEndToEnd : public ::testing::Test {
  protected:
    void SetUp() override {
        RegisterWireTypes();
        dir_ = fs::temp_directory_path() /
               ("e2e_" + std::to_string(::getpid()) + "_" +
                ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::create_directories(dir_);
        std::ofstream(dir_ / "TrelonSrv.ini") << "[LogKeeper]\nKeepLog=1\n";
        bus_ = std::make_unique<TPrivateBus>(QString());
        TLineOptions options;
        options.Directory = dir_;
        options.NameA = "server";
        options.NameB = "device";
        line_ = std::make_unique<TVirtualLine>(options);
        slave_ = std::make_unique<TModbusSlave>(line_->Path(TEnd::B).string(), kSlave);
        ASSERT_TRUE(slave_->Connected());
        StartServer();
        client_ = std::make_unique<TMBClient>(bus_->Connect("client"));
        Configure(*client_);
        client_->Set("Connected", true);
        ASSERT_TRUE(client_->Get("Connected").toBool());
    }
    void TearDown() override {
        client_.reset();
        StopServer();
        slave_.reset();
        line_.reset();
        bus_.reset();
        fs::remove_all(dir_);
    }
    void StartServer() {
        server_.start(BinDir() + "/trelonsrv",
                      {"--config", QString::fromStdString((dir_ / "TrelonSrv.ini").string()),
                       "--log-dir", QString::fromStdString((dir_ / "Logs").string())});
        QDBusConnection probe = bus_->Connect("probe");
        ASSERT_TRUE(WaitUntil(
            [&] { return probe.interface()->isServiceRegistered("TrelonSrv.Server").value(); }));
    }
    void StopServer() {
        if (server_.state() == QProcess::NotRunning) return;
        server_.terminate();
        server_.waitForFinished(20000);
    }
    void Configure(TMBClient& c, int retries = 1, int answerDelay = 300) {
        c.Set("ComPort", QString::fromStdString(line_->Path(TEnd::A).string()));
        c.Set("ComSpeed", 19200);
        c.Set("DeviceAddres", kSlave);
        c.Set("Retries", retries);
        c.Set("AnswerDelay", answerDelay);
    }
    std::string Log() { return ReadLogFolder(dir_ / "Logs"); }
    TExchange Exchange(int qid) {
        std::optional<TExchange> e = client_->Next(qid);
        EXPECT_TRUE(e.has_value()) << "no OnExchange for QID " << qid;
        return e.value_or(TExchange{qid, -1, -1, {}, -1});
    }

    fs::path dir_;
    std::unique_ptr<TPrivateBus> bus_;
    std::unique_ptr<TVirtualLine> line_;
    std::unique_ptr<TModbusSlave> slave_;
    QProcess server_;
    std::unique_ptr<TMBClient> client_;
};

TEST_F(MBComMasterEndToEnd, RegistersOfEveryTypeAreWrittenAndReadBack) {
    struct {
        int Type;
        TVariant Value;  // written at register 10, read back
    } cases[] = {
        {dtSignedWord, TVariant::OfInt(vtSmallint, -1234)},
        {dtUnsignedWord, TVariant::OfInt(vtWord, 65000)},
        {dtSignedDoubleWord, TVariant(-123456789)},
        {dtUnsignedDoubleWord, TVariant::OfUInt(vtLongWord, 4000000000u)},
        {dtSingle, TVariant::Single(3.25f)},
        {dtSignedByte, TVariant::OfInt(vtShortInt, -5)},
        {dtUnsignedByte, TVariant::OfInt(vtByte, 200)},
    };
    int qid = 100;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Value.Debug());
        client_->Call("WriteHoldRegs", {++qid, 0, 10, Arg(c.Value)});
        TExchange w = Exchange(qid);
        EXPECT_EQ(w.Result, mbcOK);
        // One register (a word, or a byte with AdjustToWord) with OptimalUseFunction goes as
        // function 6, the rest as 16.
        const bool oneRegister = c.Type == dtSignedWord || c.Type == dtUnsignedWord ||
                                 c.Type == dtSignedByte || c.Type == dtUnsignedByte;
        EXPECT_EQ(w.Function, oneRegister ? 6 : 16);
        client_->Call("ReadHoldRegs", {++qid, 0, 10, Type(c.Type), 1});
        TExchange r = Exchange(qid);
        EXPECT_EQ(r.Result, mbcOK);
        EXPECT_EQ(r.Function, 3);
        EXPECT_EQ(r.Address, kSlave);
        EXPECT_EQ(r.Value.ToDouble(), c.Value.ToDouble()) << r.Value.Debug();
    }
    // An array of two singles, and input registers the device holds.
    client_->Call("WriteHoldRegs",
                  {++qid, 0, 20,
                   Arg(TVariant::Array(vtSingle, {TVariant::Single(1.5f), TVariant::Single(-2)}))});
    EXPECT_EQ(Exchange(qid).Result, mbcOK);
    client_->Call("ReadHoldRegs", {++qid, 0, 20, Type(dtSingle), 2});
    TExchange two = Exchange(qid);
    ASSERT_EQ(two.Result, mbcOK);
    ASSERT_TRUE(two.Value.IsArray());
    EXPECT_EQ(two.Value[1].ToDouble(), -2.0);
    {
        std::lock_guard lock(slave_->Lock());
        slave_->Map()->tab_input_registers[5] = 0x1234;
    }
    client_->Call("ReadInputRegs", {++qid, 0, 5, Type(dtUnsignedWord), 1});
    TExchange in = Exchange(qid);
    EXPECT_EQ(in.Function, 4);
    EXPECT_EQ(in.Value.ToInt(), 0x1234);
}

TEST_F(MBComMasterEndToEnd, BitsDeviceNameDiagnosticsAndRawExchange) {
    client_->Call("WriteHoldBins", {1, 0, 3, Arg(TVariant(true))});
    EXPECT_EQ(Exchange(1).Function, 5);
    client_->Call(
        "WriteHoldBins",
        {2, 0, 8,
         Arg(TVariant::Array(vtBoolean, {TVariant(true), TVariant(false), TVariant(true)}))});
    EXPECT_EQ(Exchange(2).Function, 15);
    client_->Call("ReadHoldBins", {3, 0, 8, 3});
    TExchange bits = Exchange(3);
    ASSERT_EQ(bits.Result, mbcOK);
    EXPECT_EQ(bits.Function, 1);
    EXPECT_TRUE(bits.Value[0].ToBool());
    EXPECT_FALSE(bits.Value[1].ToBool());
    {
        std::lock_guard lock(slave_->Lock());
        slave_->Map()->tab_input_bits[4] = 1;
    }
    client_->Call("ReadInputBins", {4, 0, 4, 1});
    TExchange input = Exchange(4);
    EXPECT_EQ(input.Function, 2);
    EXPECT_TRUE(input.Value.ToBool());

    client_->Call("GetDeviceName", {5});
    TExchange name = Exchange(5);
    EXPECT_EQ(name.Result, mbcOK);
    EXPECT_EQ(name.Function, 17);
    EXPECT_NE(name.Value.ToText().find("LMB"), std::string::npos) << name.Value.Debug();

    client_->Call("Exchange",
                  {7, kSlave, 17, 0, 0, 0, Arg(TVariant::Array(vtByte, std::vector<TVariant>{}))});
    TExchange raw = Exchange(7);
    EXPECT_EQ(raw.Result, mbcOK);
    EXPECT_TRUE(raw.Value.IsArray());
    EXPECT_GT(raw.Value.Size(), 3u);

    // libmodbus does not know diagnostics and leaves them unanswered, and is
    // confused for a while after one: this comes last.
    client_->Call("TestDevice", {6});
    TExchange diag = Exchange(6);
    EXPECT_EQ(diag.Function, 8);
    EXPECT_EQ(diag.Result, mbcNoAnswer);
}

TEST_F(MBComMasterEndToEnd, PeriodicReadRepeatsUntilFreeTask) {
    client_->Call("ReadHoldRegs", {50, 300, 0, Type(dtUnsignedWord), 1});
    for (int k = 0; k < 3; ++k) EXPECT_EQ(Exchange(50).Result, mbcOK);
    client_->Call("FreeTask", {50});
    // Whatever was on its way arrives before the answer to a request made afterwards.
    client_->Call("ReadHoldRegs", {51, 0, 0, Type(dtUnsignedWord), 1});
    Exchange(51);
    client_->Exchanges.clear();
    client_->Call("ReadHoldRegs", {52, 0, 0, Type(dtUnsignedWord), 1});
    Exchange(52);
    client_->Call("ReadHoldRegs", {53, 0, 0, Type(dtUnsignedWord), 1});
    Exchange(53);
    for (const TExchange& e : client_->Exchanges) EXPECT_NE(e.QID, 50);
}

TEST_F(MBComMasterEndToEnd, TheLogHoldsEveryRequestAndAnswer) {
    client_->Call("ReadHoldRegs", {9, 0, 0x6B, Type(dtSignedWord), 2});
    ASSERT_EQ(Exchange(9).Result, mbcOK);
    client_.reset();
    StopServer();  // the log keeper writes everything before it ends
    const std::string log = Log();
    EXPECT_NE(log.find("01 03 00 6B 00 02 B5 D7"), std::string::npos) << log;
    EXPECT_NE(log.find("01 03 04 00 00 00 00"), std::string::npos) << log;
    EXPECT_NE(log.find("Создание транспорта RS232"), std::string::npos);
    EXPECT_NE(log.find("Удаление транспорта RS232"), std::string::npos);
}

TEST_F(MBComMasterEndToEnd, FaultsOnTheLineBecomeResultCodes) {
    client_->Set("Retries", 2);
    slave_->Silent(true);
    const int before = slave_->Requests();
    client_->Call("ReadHoldRegs", {1, 0, 0, Type(dtSignedWord), 1});
    EXPECT_EQ(Exchange(1).Result, mbcNoAnswer);
    EXPECT_EQ(slave_->Requests() - before, 2);  // one per attempt
    slave_->Silent(false);

    client_->Set("Retries", 1);
    line_->CorruptNextFrame(TDirection::BtoA, 3, 0x01);
    client_->Call("ReadHoldRegs", {2, 0, 0, Type(dtSignedWord), 1});
    EXPECT_EQ(Exchange(2).Result, mbcCheckSumError);

    line_->Cut();
    client_->Call("ReadHoldRegs", {3, 0, 0, Type(dtSignedWord), 1});
    EXPECT_EQ(Exchange(3).Result, mbcNoAnswer);
    line_->Restore();
    client_->Call("ReadHoldRegs", {4, 0, 0, Type(dtSignedWord), 1});
    EXPECT_EQ(Exchange(4).Result, mbcOK);
}

TEST_F(MBComMasterEndToEnd, RequestsWhileNotConnectedAreAnsweredAtOnce) {
    client_->Set("Connected", false);
    ASSERT_TRUE(WaitUntil([&] { return !client_->ConnectedEvents.empty(); }));
    EXPECT_FALSE(client_->ConnectedEvents.back());
    client_->Call("ReadHoldRegs", {8, 0, 0, Type(dtSignedWord), 1});
    TExchange e = Exchange(8);
    EXPECT_EQ(e.Result, 18);
    EXPECT_EQ(e.Function, 3);
}

TEST_F(MBComMasterEndToEnd, AKilledClientsMasterAndPortAreReleased) {
    client_.reset();  // the port is now the killed client's alone
    QProcess holder;
    holder.start("/usr/bin/python3", {QString(TRELON_TEST_SOURCE_DIR) + "/e2e/periodic_client.py",
                                      QString::fromStdString(line_->Path(TEnd::A).string())});
    QByteArray out;
    ASSERT_TRUE(WaitUntil([&] {
        out += holder.readAllStandardOutput();
        return holder.state() == QProcess::NotRunning || out.contains("ready");
    }));
    ASSERT_TRUE(out.contains("ready")) << holder.readAllStandardError().toStdString();
    holder.kill();
    holder.waitForFinished();
    ASSERT_TRUE(
        WaitUntil([&] { return Log().find("Удаление транспорта RS232") != std::string::npos; }));
    // The port is free again: another speed opens it.
    TMBClient again(bus_->Connect("again"));
    Configure(again);
    again.Set("ComSpeed", 9600);
    again.Set("Connected", true);
    EXPECT_TRUE(again.Get("Connected").toBool());
}

}  // namespace
}  // namespace trelon::test
