// The settings file reader: any bytes load as a file would, every key of every section
// reads through each typed reader, and after one value is written (the first line of the
// input, spaces and quotes included) the text written back reads to the same values.
#include <cstdint>
#include <string>
#include <vector>

#include "expect.h"
#include "ini_file.h"

using trelon::TIniFile;
using trelon::fuzz::Expect;

namespace {

// Every look-up compares names one by one, so reading every key of a long input takes
// its square; the first few of each list find the same faults at a steady speed.
std::vector<std::string> First(std::vector<std::string> names) {
    constexpr size_t kChecked = 24;
    if (names.size() > kChecked) names.resize(kChecked);
    return names;
}

void ReadEveryKey(const TIniFile& ini) {
    for (const std::string& section : First(ini.ReadSections())) {
        Expect(ini.SectionExists(section), "a listed section not found");
        for (const std::string& key : First(ini.ReadSection(section))) {
            Expect(ini.ValueExists(section, key), "a listed key not found");
            (void)ini.ReadInteger(section, key, 0);
            (void)ini.ReadBool(section, key, false);
            (void)ini.ReadFloat(section, key, 0.0);
        }
    }
}

void ExpectSameAfterWriting(const TIniFile& ini) {
    TIniFile again;
    again.LoadFromText(ini.ToText());
    Expect(again.ReadSections() == ini.ReadSections(), "sections changed by writing");
    for (const std::string& section : First(ini.ReadSections())) {
        Expect(again.ReadSection(section) == ini.ReadSection(section), "keys changed by writing");
        for (const std::string& key : First(ini.ReadSection(section)))
            Expect(again.ReadString(section, key, "") == ini.ReadString(section, key, ""),
                   "a value changed by writing");
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string bytes(reinterpret_cast<const char*>(data), size);
    TIniFile ini;
    ini.LoadFromFileBytes(bytes);
    ReadEveryKey(ini);
    // A line break cannot be part of a value: the first line is.
    std::string value = bytes.substr(0, bytes.find('\n'));
    ini.WriteString("Fuzz", "Written", value);
    Expect(ini.ReadString("Fuzz", "Written", "") == value, "a written value reads otherwise");
    ExpectSameAfterWriting(ini);
    return 0;
}
