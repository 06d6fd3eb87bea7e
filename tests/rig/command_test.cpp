// The technician's commands: what they change, what they refuse, and the start-only ones.
#include <gtest/gtest.h>

#include "rig_command.h"

namespace trelon::rig {
namespace {

TEST(RigCommand, CommandsAreCheckedBeforeTheyChangeAnything) {
    struct {
        const char* Line;
        bool Error;
    } cases[] = {
        {"", false},
        {"# a comment", false},
        {"set fz error 2 0.3", false},
        {"set fz error 0.1   # all channels", false},
        {"set fz error 5 0.3", true},
        {"set fz error two", true},
        {"set fz speed 3", true},
        {"set imr channel current", false},
        {"set imr circulations 0", true},
        {"set ipt input 3 adapter 5 0 20", false},
        {"set ipt input 3 adapter 9 0 20", true},
        {"set usi input 2 none", false},
        {"set usi name ЗРТ-УСИ v64.09.02.01;", false},
        {"fault fz silent", false},
        {"fault imr slow 200 fn 3 after 2 times 5", false},
        {"fault usi corrupt 3 0x40", false},
        {"fault usi corrupt 3 0", true},
        {"fault ipt exception 2 reg 0xC000-0xC007", false},
        {"fault ipt exception 0", true},
        {"fault ipt exception 4 reg 9-3", true},
        {"fault ipt dropoff", true},
        {"fault ipt fail 1", true},
        {"fault fz fail 3 2.5", false},
        {"fault xx silent", true},
        {"clear all", false},
        {"clear", true},
        {"status", false},
        {"status imr", false},
        {"frobnicate", true},
        {"address fz 2", true},  // not while running
        {"time-scale 10", true},
    };
    TRig rig;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Line);
        TCommandOutcome outcome = RunCommand(c.Line, rig);
        EXPECT_EQ(outcome.Error, c.Error) << outcome.Text;
        EXPECT_FALSE(outcome.Quit);
    }
    EXPECT_EQ(rig.PulseCounter().Name(), "ЗРТ-УСИ v64.09.02.01;");
    EXPECT_EQ(rig.CurrentMeter().Source(2).Low, 0);
    EXPECT_EQ(rig.PulseCounter().Source(1), -1);
    EXPECT_TRUE(RunCommand("quit", rig).Quit);
}

TEST(RigCommand, StartOnlyCommandsSetTheLinesAndAddresses) {
    TRig rig;
    TStartup startup;
    for (const char* line :
         {"address fz 7", "lines each", "baud 19200", "time-scale 20", "dir /tmp/x"})
        EXPECT_FALSE(RunCommand(line, rig, &startup).Error) << line;
    EXPECT_EQ(rig.Flowmeter().Address(), 7);
    EXPECT_TRUE(startup.LinePerDevice);
    EXPECT_EQ(startup.Baud, 19200);
    EXPECT_EQ(startup.TimeScale, 20);
    EXPECT_EQ(startup.Directory, "/tmp/x");
    for (const char* line :
         {"address fz 0", "address fz 248", "baud 123", "time-scale 0", "lines two"})
        EXPECT_TRUE(RunCommand(line, rig, &startup).Error) << line;
}

TEST(RigCommand, StatusShowsTheModelAndTheFaults) {
    TRig rig;
    RunCommand("fault ipt exception 4 fn 4 times 3", rig);
    std::string status = RunCommand("status", rig).Text;
    EXPECT_NE(status.find("fz at address 1"), std::string::npos) << status;
    EXPECT_NE(status.find("usi at address 5"), std::string::npos);
    EXPECT_NE(status.find("fault: exception 4 fn 4 times 3"), std::string::npos) << status;
    std::string help = RunCommand("help", rig).Text;
    EXPECT_NE(help.find("dropoff N"), std::string::npos);
    EXPECT_NE(help.find("circulations N"), std::string::npos);
}

}  // namespace
}  // namespace trelon::rig
