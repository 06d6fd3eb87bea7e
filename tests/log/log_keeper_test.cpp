#include "log/log_keeper.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>
#include <vector>

#include "core/core_debug.h"
#include "datetime.h"
#include "ini_file.h"
#include "log/log_format.h"
#include "log/logging.h"

namespace trelon {
namespace {

namespace fs = std::filesystem;

constexpr int64_t kGuardMs = 10'000;  // only bounds a failing test

std::string ReadFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

// The texts after the time stamp and its tab, one per CR LF line.
std::vector<std::string> Bodies(const std::string& content) {
    std::vector<std::string> out;
    size_t pos = 0;
    while (pos < content.size()) {
        size_t end = content.find("\r\n", pos);
        if (end == std::string::npos) end = content.size();
        std::string line = content.substr(pos, end - pos);
        out.push_back(line.substr(line.find('\t') + 1));
        pos = end + 2;
    }
    return out;
}

class LogKeeperTest : public ::testing::Test {
  protected:
    void SetUp() override {
        char tmpl[] = "/tmp/trelon-log-XXXXXX";
        ASSERT_NE(mkdtemp(tmpl), nullptr);
        dir_ = tmpl;
        settings_ = dir_ / "TrelonSrv.ini";
        now_ = EncodeDateTime({2024, 12, 9, 13, 5, 7, 0});
    }
    void TearDown() override { fs::remove_all(dir_); }

    void WriteSettings(const std::string& text) { std::ofstream(settings_) << text; }

    TLogKeeperOptions Options() {
        TLogKeeperOptions o;
        o.SettingsPath = settings_.string();
        o.Clock = [this] { return now_.load(); };
        return o;
    }
    // A keeper that writes everything into dir_/Logs.
    std::unique_ptr<TLogKeeper> WritingKeeper(const std::string& extra = "") {
        WriteSettings("[LogKeeper]\nKeepLog=1\nLogDir=" + (dir_ / "Logs").string() + "\n" + extra);
        return std::make_unique<TLogKeeper>(Options());
    }
    fs::path LogFile() const { return dir_ / "Logs" / "09дек2024.log"; }

    fs::path dir_, settings_;
    std::atomic<double> now_;
};

TEST_F(LogKeeperTest, WithoutKeepLogNothingIsWrittenButFolderAndSettingsAppear) {
    WriteSettings("[Main]\nHighPriority=1\n");
    auto options = Options();
    options.LogDirOverride = (dir_ / "state" / "TrelonSrv" / "Logs").string();  // parents missing
    {
        TLogKeeper keeper(options);
        EXPECT_TRUE(fs::is_directory(options.LogDirOverride));
        keeper.LogMessage("not written");
        ASSERT_TRUE(keeper.WaitWritten(kGuardMs));
    }
    EXPECT_TRUE(fs::is_empty(options.LogDirOverride));
    TIniFile ini(settings_.string());
    EXPECT_EQ(ini.ReadString("LogKeeper", "NoDebugMessages", "?"), "0");
    EXPECT_EQ(ini.ReadString("LogKeeper", "LogDir", "?"), "");  // the command line is not saved
    EXPECT_EQ(ini.ReadString("LogKeeper", "KeepLog", "?"), "0");
    EXPECT_EQ(ini.ReadString("Main", "HighPriority", "?"), "1");
}

TEST_F(LogKeeperTest, WritesEachKindOfRecordAndDropsDebugWhenAsked) {
    const uint8_t bytes[] = {1, 3, 0, 10};
    for (bool noDebug : {false, true}) {
        fs::remove_all(dir_ / "Logs");
        {
            auto keeper = WritingKeeper(noDebug ? "NoDebugMessages=1\n" : "");
            keeper->LogMessage("plain");
            keeper->LogDebug("trace");
            keeper->LogTransportData(7, kDirectionOut, true, bytes);
            keeper->LogTransportData(7, kDirectionIn, false, bytes);
        }
        std::vector<std::string> expected = {kStartBanner, "plain"};
        if (!noDebug) expected.push_back("Debug: trace");
        expected.push_back("7\tOut\tOK\t01 03 00 0A ");
        expected.push_back("7\tIn\tErr\t");
        expected.push_back(kCloseBanner);
        std::string content = ReadFile(LogFile());
        EXPECT_EQ(Bodies(content), expected) << "NoDebugMessages=" << noDebug;
        EXPECT_EQ(content.substr(0, 20), "09.12.2024 13:05:07\t");
    }
}

TEST_F(LogKeeperTest, RecordsFromSeveralThreadsKeepEachThreadsOrder) {
    constexpr int kEach = 300;
    auto keeper = WritingKeeper();
    auto produce = [&](char who) {
        for (int i = 0; i < kEach; ++i) keeper->LogMessage(who + std::to_string(i));
    };
    std::thread a(produce, 'A'), b(produce, 'B');
    a.join();
    b.join();
    ASSERT_TRUE(keeper->WaitWritten(kGuardMs));
    std::vector<std::string> fromA, fromB, expectA, expectB;
    for (const std::string& body : Bodies(ReadFile(LogFile()))) {
        if (body[0] == 'A') fromA.push_back(body);
        if (body[0] == 'B') fromB.push_back(body);
    }
    for (int i = 0; i < kEach; ++i) {
        expectA.push_back("A" + std::to_string(i));
        expectB.push_back("B" + std::to_string(i));
    }
    EXPECT_EQ(fromA, expectA);
    EXPECT_EQ(fromB, expectB);
}

TEST_F(LogKeeperTest, EverythingQueuedBeforeShutdownIsWritten) {
    constexpr int kRecords = 500;
    {
        auto keeper = WritingKeeper();
        for (int i = 0; i < kRecords; ++i) keeper->LogMessage(std::to_string(i));
    }
    std::vector<std::string> bodies = Bodies(ReadFile(LogFile()));
    ASSERT_EQ(bodies.size(), size_t(kRecords + 2));
    EXPECT_EQ(bodies[kRecords], std::to_string(kRecords - 1));
    EXPECT_EQ(bodies.back(), kCloseBanner);
}

TEST_F(LogKeeperTest, PastMidnightTheFirstDaysFileGoesOn) {
    now_ = EncodeDateTime({2024, 12, 9, 23, 59, 59, 0});
    auto keeper = WritingKeeper();
    now_ = EncodeDateTime({2024, 12, 10, 0, 0, 1, 0});
    keeper->LogMessage("next day");
    ASSERT_TRUE(keeper->WaitWritten(kGuardMs));
    EXPECT_NE(ReadFile(LogFile()).find("10.12.2024 00:00:01\tnext day\r\n"), std::string::npos);
    EXPECT_FALSE(fs::exists(dir_ / "Logs" / "10дек2024.log"));
}

TEST_F(LogKeeperTest, FailedRecordIsDroppedAndReported) {
    // The log file's place is taken by a folder, so the first record cannot be written. The
    // keeper's clock is read on the writer thread only when it makes its error report; the
    // folder goes away at that moment, so the report itself can be written.
    fs::create_directories(LogFile());
    std::atomic<bool> armed = true;
    const auto mainThread = std::this_thread::get_id();
    auto options = Options();
    options.LogDirOverride = (dir_ / "Logs").string();
    options.Clock = [&] {
        if (std::this_thread::get_id() != mainThread && armed.exchange(false)) {
            fs::remove(LogFile());
        }
        return now_.load();
    };
    WriteSettings("[LogKeeper]\nKeepLog=1\n");
    TLogKeeper keeper(options);
    ASSERT_TRUE(keeper.WaitWritten(kGuardMs));  // the start banner failed
    ASSERT_TRUE(keeper.WaitWritten(kGuardMs));  // and the report of it was written
    keeper.LogMessage("after");
    ASSERT_TRUE(keeper.WaitWritten(kGuardMs));
    EXPECT_EQ(Bodies(ReadFile(LogFile())), (std::vector<std::string>{kUnexpectedError, "after"}));
}

TEST_F(LogKeeperTest, FileThatCannotBeWrittenDoesNotKeepTheWriterBusy) {
    fs::create_directories(LogFile());
    {
        auto keeper = WritingKeeper();
        for (int i = 0; i < 3; ++i) keeper->LogMessage("lost");
        // Each failed record queues one report; a failed report queues nothing more.
        ASSERT_TRUE(keeper->WaitWritten(kGuardMs));
        ASSERT_TRUE(keeper->WaitWritten(kGuardMs));
        fs::remove(LogFile());
        keeper->LogMessage("after");
        ASSERT_TRUE(keeper->WaitWritten(kGuardMs));
    }
    EXPECT_EQ(Bodies(ReadFile(LogFile())), (std::vector<std::string>{"after", kCloseBanner}));
}

TEST_F(LogKeeperTest, LogFolderChoice) {
    setenv("XDG_STATE_HOME", (dir_ / "xdg").c_str(), 1);
    struct TCase {
        std::string Override, Setting;
        fs::path Expected;
    };
    const TCase cases[] = {
        {"", "", dir_ / "xdg" / "TrelonSrv" / "Logs"},
        {"", (dir_ / "set").string(), dir_ / "set"},
        {(dir_ / "cmd").string(), (dir_ / "set").string(), dir_ / "cmd"},
    };
    for (const TCase& c : cases) {
        WriteSettings("[LogKeeper]\nLogDir=" + c.Setting + "\n");
        auto options = Options();
        options.LogDirOverride = c.Override;
        TLogKeeper keeper(options);
        EXPECT_EQ(keeper.LogDir(), c.Expected.string());
        EXPECT_EQ(keeper.FilePath(), (c.Expected / "09дек2024.log").string());
        EXPECT_TRUE(fs::is_directory(c.Expected));
    }
    unsetenv("XDG_STATE_HOME");
}

TEST_F(LogKeeperTest, GlobalKeeperServesTheFreeFunctionsAndTheCoresDebugLines) {
    const uint8_t bytes[] = {0xAB};
    WriteSettings("[LogKeeper]\nKeepLog=1\n");
    auto options = Options();
    options.LogDirOverride = (dir_ / "Logs").string();
    StartLogKeeper(options);
    EXPECT_THROW(StartLogKeeper(options), std::logic_error);
    LogMessage("message");
    LogDebug("debug");
    LogTransportData(2, kDirectionIn, true, bytes);
    CoreDebug("from the core");
    StopLogKeeper();
    EXPECT_FALSE(LogKeeperRunning());
    LogMessage("dropped: no keeper");
    CoreDebug("dropped too");
    EXPECT_TRUE(WaitLogWritten(0));
    EXPECT_EQ(Bodies(ReadFile(LogFile())),
              (std::vector<std::string>{kStartBanner, "message", "Debug: debug", "2\tIn\tOK\tAB ",
                                        "Debug: from the core", kCloseBanner}));
}

}  // namespace
}  // namespace trelon
