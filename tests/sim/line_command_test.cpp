#include <gtest/gtest.h>

#include "line_command.h"

namespace trelon {
namespace {

using TKind = TLineCommand::TKind;
using namespace std::chrono_literals;

TEST(LineCommand, ParsesWhatATechnicianTypes) {
    struct TCase {
        const char* Text;
        TKind Kind;
        std::optional<TEnd> End;
    };
    const TCase cases[] = {
        {"drop A", TKind::Drop, TEnd::A},          {"  DROP b ", TKind::Drop, TEnd::B},
        {"cut", TKind::Cut, std::nullopt},         {"cut B", TKind::Cut, TEnd::B},
        {"restore", TKind::Restore, std::nullopt}, {"unplug A", TKind::Unplug, TEnd::A},
        {"replug B", TKind::Replug, TEnd::B},      {"stats", TKind::Stats, std::nullopt},
        {"quit", TKind::Quit, std::nullopt},
    };
    for (const TCase& c : cases) {
        auto parsed = ParseLineCommand(c.Text);
        ASSERT_TRUE(parsed.Command) << c.Text << ": " << parsed.Error;
        EXPECT_EQ(parsed.Command->Kind, c.Kind) << c.Text;
        EXPECT_EQ(parsed.Command->End, c.End) << c.Text;
    }
}

TEST(LineCommand, TakesNumbersAndSwitches) {
    auto corrupt = ParseLineCommand("corrupt B 3").Command.value();
    EXPECT_EQ(corrupt.Offset, 3u);
    EXPECT_EQ(corrupt.Mask, 0xFF);
    EXPECT_EQ(ParseLineCommand("corrupt A 0 0x01").Command.value().Mask, 0x01);
    EXPECT_EQ(ParseLineCommand("delay A 200").Command.value().Delay, 200ms);
    EXPECT_FALSE(ParseLineCommand("paced off").Command.value().On);
    EXPECT_TRUE(ParseLineCommand("watch on").Command.value().On);
}

TEST(LineCommand, RefusesWhatDoesNotFit) {
    EXPECT_EQ(ParseLineCommand("frobnicate").Error, "unknown command \"frobnicate\"; type help");
    for (const char* text :
         {"drop", "drop C", "drop A B", "corrupt A", "corrupt A x", "corrupt A 1 256",
          "corrupt A 1 0", "delay A", "delay A -5", "paced maybe", "stats now", "unplug"}) {
        auto parsed = ParseLineCommand(text);
        EXPECT_FALSE(parsed.Command) << text;
        EXPECT_TRUE(parsed.Error.starts_with("usage: ")) << text << ": " << parsed.Error;
    }
    EXPECT_FALSE(ParseLineCommand("   ").Command);
    EXPECT_TRUE(ParseLineCommand("   ").Error.empty());
}

}  // namespace
}  // namespace trelon
