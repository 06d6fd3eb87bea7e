// Requests whose transport is gone or closing are reported with result 18 and a null value,
// each exactly once.
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "log/logging.h"
#include "master_fixture.h"
#include "mb_enums.h"

namespace trelon::test {
namespace {

namespace fs = std::filesystem;

using TTransportGoneTest = TMasterTest;

void ExpectDropped(const std::vector<TVariant>& results) {
    ASSERT_EQ(results.size(), 1u);
    EXPECT_TRUE(results[0][4].IsNull());
    EXPECT_EQ(results[0][5].Type(), vtByte);  // made without an exchange
    EXPECT_EQ(CodeOf(results[0]), mbcNoTransport);
}

// Everything the log keeper wrote into dir.
std::string LogText(const fs::path& dir) {
    std::ostringstream text;
    for (const auto& entry : fs::recursive_directory_iterator(dir))
        if (entry.is_regular_file() && entry.path().extension() == ".log")
            text << std::ifstream(entry.path()).rdbuf();
    return text.str();
}

TEST_F(TTransportGoneTest, EveryRequestLeftIsDroppedOnceTheTransportIsGone) {
    char dirTemplate[] = "/tmp/trelon-master-XXXXXX";
    ASSERT_NE(mkdtemp(dirTemplate), nullptr);
    fs::path dir = dirTemplate;
    std::ofstream(dir / "TrelonSrv.ini")
        << "[LogKeeper]\nKeepLog=1\nLogDir=" << (dir / "Logs").string() << "\n";
    std::string log;
    {
        TLogKeeperScope keeper({(dir / "TrelonSrv.ini").string(), "", {}});
        auto master = NewMaster();
        master->AddTask(ReadRegs(1, 1, /*period*/ 3600000));
        ASSERT_TRUE(bench.WaitResults(1, 1));  // waits for its next cycle
        // Cancelled by the client while at the device: no result.
        bench.HoldExchangesUntilClosed(true);
        master->AddTask(ReadRegs(2, 2, /*period*/ 3600000));
        ASSERT_TRUE(bench.WaitSeen(2));
        master->CancelQID(2);
        Factory().ReleaseTransport(LastTransportID());
        Factory().WaitIdle();

        master->AddTask(ReadRegs(3, 3));
        ASSERT_TRUE(bench.WaitResults(3, 1));
        ASSERT_TRUE(bench.WaitResults(1, 2));
        ASSERT_TRUE(WaitLogWritten(kPatience.count() * 1000));
        log = LogText(dir);
    }
    fs::remove_all(dir);

    ExpectDropped(bench.ResultsOf(3));
    std::vector<TVariant> periodic = bench.ResultsOf(1);
    ASSERT_EQ(periodic.size(), 2u);
    ExpectDropped({periodic[1]});
    EXPECT_TRUE(bench.ResultsOf(2).empty());
    EXPECT_NE(log.find("TModBusMaster.Execute; tri = nil; canceling all tasks"), std::string::npos)
        << log;
}

TEST_F(TTransportGoneTest, TasksAClosingTransportGivesBackAreDropped) {
    auto master = NewMaster(/*retries*/ 3);
    bench.HoldExchangesUntilClosed(true);
    master->AddTask(ReadRegs(1, 1));  // at the device when the transport closes
    master->AddTask(ReadRegs(2, 2));  // still queued then
    ASSERT_TRUE(bench.WaitSeen(1));
    ASSERT_TRUE(bench.WaitTrace("queued 2"));
    Factory().ReleaseTransport(LastTransportID());
    ASSERT_TRUE(bench.WaitResults(1, 1));
    ASSERT_TRUE(bench.WaitResults(2, 1));

    EXPECT_EQ(CodeOf(bench.ResultsOf(1)[0]), mbcOK);  // its exchange was finished
    ExpectDropped(bench.ResultsOf(2));
    EXPECT_TRUE(bench.SeenOf(2).empty());
}

TEST_F(TTransportGoneTest, ARequestAClosingTransportRefusesIsDropped) {
    auto master = NewMaster(/*retries*/ 3);
    bench.RefuseTasks(true);
    master->AddTask(ReadRegs(1, 1));
    ASSERT_TRUE(bench.WaitResults(1, 1));
    ExpectDropped(bench.ResultsOf(1));
    EXPECT_TRUE(bench.Seen().empty());
}

}  // namespace
}  // namespace trelon::test
