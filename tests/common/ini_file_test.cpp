#include "ini_file.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>

#include "codepage.h"

namespace trelon {
namespace {

namespace fs = std::filesystem;

class IniFile : public ::testing::Test {
  protected:
    void SetUp() override {
        dir_ = fs::temp_directory_path() /
               ("ini_test_" + std::to_string(::getpid()) + "_" +
                ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::create_directories(dir_);
    }
    void TearDown() override { fs::remove_all(dir_); }
    std::string Write(const std::string& text) {
        std::string p = (dir_ / "t.ini").string();
        std::ofstream(p, std::ios::binary) << text;
        return p;
    }
    static std::string Read(const std::string& p) {
        std::ifstream in(p, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), {}};
    }
    fs::path dir_;
};

TEST_F(IniFile, ReadsValuesWithoutRegardToCase) {
    TIniFile ini(Write("[Main]\nHighPriority=1\nName = \"quoted\" \n[Com]\nSpeed=0x10\n"));
    EXPECT_TRUE(ini.ReadBool("main", "HIGHPRIORITY", false));
    EXPECT_EQ(ini.ReadString("MAIN", "name", ""), "quoted");
    EXPECT_EQ(ini.ReadInteger("com", "speed", 0), 16);
    EXPECT_EQ(ini.ReadInteger("com", "missing", 7), 7);
}

TEST_F(IniFile, NumbersAndBooleansTable) {
    struct {
        const char* Text;
        long long Int;  // default 5
        bool Bool;      // default true
    } cases[] = {
        {"0", 0, false},   {"1", 1, true},      {"-3", -3, true},
        {"0x0", 0, false}, {"0XfF", 255, true}, {"abc", 5, true},
        {"", 5, true},     {"12abc", 5, true},  {"99999999999999999999", 5, true},
    };
    for (const auto& c : cases) {
        TIniFile ini;
        ini.LoadFromText(std::string("[S]\nK=") + c.Text + "\n");
        SCOPED_TRACE(c.Text);
        EXPECT_EQ(ini.ReadInteger("S", "K", 5), c.Int);
        EXPECT_EQ(ini.ReadBool("S", "K", true), c.Bool);
    }
}

TEST_F(IniFile, WritingKeepsWhatItDoesNotTouch) {
    const std::string text =
        "; settings\n[Main]\nHighPriority=0\n\n[Unknown]\nx=1 ; kept\n[Com]\n; tail\n";
    std::string path = Write(text);
    TIniFile ini(path);
    ini.WriteBool("main", "HighPriority", true);
    ini.WriteInteger("Com", "ByteTimeoutMultiplier", 3);
    ini.WriteString("New", "Key", "Значение");
    ASSERT_TRUE(ini.UpdateFile()) << ini.LastError();
    EXPECT_EQ(Read(path),
              "; settings\n[Main]\nHighPriority=1\n\n[Unknown]\nx=1 ; kept\n[Com]\n"
              "ByteTimeoutMultiplier=3\n; tail\n[New]\nKey=Значение\n");
    TIniFile again(path);
    EXPECT_EQ(again.ReadString("new", "key", ""), "Значение");
}

// Untouched lines are written as they were read; a value that needs quotes to read back
// (spaces at its ends, or quotes of its own) gets them when it is written.
TEST_F(IniFile, ValuesReadBackAsWritten) {
    const std::string text = "[Main] ; head\nSep = \" \"\nName='x' ; c\n";
    TIniFile ini;
    ini.LoadFromText(text);
    EXPECT_EQ(ini.ReadString("Main", "Sep", ""), " ");
    EXPECT_EQ(ini.ToText(), text);
    for (const std::string value :
         {" padded ", "\"quoted\"", "'x'", "tab\t", "", "a = b", "\"x'"}) {
        SCOPED_TRACE(value);
        ini.WriteString("Main", "Name", value);
        TIniFile again;
        again.LoadFromText(ini.ToText());
        EXPECT_EQ(again.ReadString("Main", "Name", "?"), value);
        EXPECT_EQ(again.ReadString("Main", "Sep", ""), " ");
    }
}

TEST_F(IniFile, Cp1251FileStillLoads) {
    std::string path = Write(Utf8ToCp1251("[Поверитель]\nИмя=Иванов\n"));
    TIniFile ini(path);
    EXPECT_EQ(ini.ReadString("поверитель", "имя", ""), "Иванов");
}

TEST_F(IniFile, FailedSaveLeavesOldFileAndSaysWhy) {
    std::string path = Write("[A]\nk=1\n");
    TIniFile ini(path);
    ini.WriteString("A", "k", "2");
    EXPECT_FALSE(ini.SaveAs((dir_ / "no_such_dir" / "t.ini").string()));
    EXPECT_NE(ini.LastError().find("no_such_dir"), std::string::npos);
    EXPECT_EQ(Read(path), "[A]\nk=1\n");
}

TEST_F(IniFile, SectionsKeysAndErasure) {
    TIniFile ini;
    ini.LoadFromText("[A]\nx=1\ny=2\n[B]\nz=3\n");
    EXPECT_EQ(ini.ReadSections(), (std::vector<std::string>{"A", "B"}));
    EXPECT_EQ(ini.ReadSection("a"), (std::vector<std::string>{"x", "y"}));
    ini.DeleteKey("A", "X");
    ini.EraseSection("b");
    EXPECT_EQ(ini.ToText(), "[A]\ny=2\n");
    EXPECT_FALSE(ini.SectionExists("B"));
    EXPECT_TRUE(ini.ValueExists("A", "y"));
}

}  // namespace
}  // namespace trelon
