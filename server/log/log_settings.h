// The log keeper's settings: section "LogKeeper" of the server's settings file.
#pragma once

#include <string>

namespace trelon {

class TIniFile;

inline constexpr const char* kLogSection = "LogKeeper";

struct TLogSettings {
    bool NoDebugMessages = false;  // drop debug records
    std::string LogDir;            // folder of the log file; empty: DefaultLogDir()
    bool KeepLog = false;          // write records at all
};

TLogSettings ReadLogSettings(const TIniFile& ini);
// Writes all three keys with the given values.
void WriteLogSettings(TIniFile& ini, const TLogSettings& settings);

// $XDG_STATE_HOME/TrelonSrv/Logs, or ~/.local/state/TrelonSrv/Logs when that is not set.
std::string DefaultLogDir();

}  // namespace trelon
