// Where the server's settings file is and what its "Main" section says.
#pragma once

#include <string>

namespace trelon {

struct TServerSettings {
    std::string Path;           // the settings file (may not exist)
    bool HighPriority = false;  // the whole process at raised priority
    bool TenBitsForAll = true;  // every Modbus exchange: no parity, one stop bit
};

// --config wins; otherwise "TrelonSrv.ini" beside the executable when it exists; otherwise
// $XDG_CONFIG_HOME/TrelonSrv/TrelonSrv.ini (default ~/.config/TrelonSrv/TrelonSrv.ini).
std::string SettingsPath(const std::string& configOption, const std::string& executableDir);

TServerSettings ReadServerSettings(const std::string& path);

}  // namespace trelon
