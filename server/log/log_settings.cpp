#include "log/log_settings.h"

#include <pwd.h>
#include <unistd.h>
#include <cstdlib>
#include <vector>

#include "ini_file.h"

namespace trelon {

namespace {

std::string HomeDir() {
    const char* home = std::getenv("HOME");
    if (home && *home) return home;
    std::vector<char> buf(16384);
    passwd pw{};
    passwd* found = nullptr;
    if (getpwuid_r(getuid(), &pw, buf.data(), buf.size(), &found) == 0 && found)
        return found->pw_dir;
    return "/tmp";
}

}  // namespace

TLogSettings ReadLogSettings(const TIniFile& ini) {
    TLogSettings s;
    s.NoDebugMessages = ini.ReadBool(kLogSection, "NoDebugMessages", false);
    s.LogDir = ini.ReadString(kLogSection, "LogDir", "");
    s.KeepLog = ini.ReadBool(kLogSection, "KeepLog", false);
    return s;
}

void WriteLogSettings(TIniFile& ini, const TLogSettings& s) {
    ini.WriteBool(kLogSection, "NoDebugMessages", s.NoDebugMessages);
    ini.WriteString(kLogSection, "LogDir", s.LogDir);
    ini.WriteBool(kLogSection, "KeepLog", s.KeepLog);
}

std::string DefaultLogDir() {
    // Relative values are invalid by the XDG rules and are ignored.
    const char* state = std::getenv("XDG_STATE_HOME");
    std::string base = (state && state[0] == '/') ? state : HomeDir() + "/.local/state";
    return base + "/TrelonSrv/Logs";
}

}  // namespace trelon
