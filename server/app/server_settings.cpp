#include "server_settings.h"

#include <cstdlib>
#include <filesystem>

#include "ini_file.h"

namespace trelon {

std::string SettingsPath(const std::string& configOption, const std::string& executableDir) {
    namespace fs = std::filesystem;
    if (!configOption.empty()) return configOption;
    fs::path beside = fs::path(executableDir) / "TrelonSrv.ini";
    if (fs::exists(beside)) return beside.string();
    const char* xdg = std::getenv("XDG_CONFIG_HOME");
    const char* home = std::getenv("HOME");
    fs::path base = xdg && *xdg ? fs::path(xdg) : fs::path(home ? home : "/tmp") / ".config";
    return (base / "TrelonSrv" / "TrelonSrv.ini").string();
}

TServerSettings ReadServerSettings(const std::string& path) {
    TIniFile ini(path);
    TServerSettings s;
    s.Path = path;
    s.HighPriority = ini.ReadBool("Main", "HighPriority", false);
    s.TenBitsForAll = ini.ReadBool("Main", "TenBitsForAll", true);
    return s;
}

}  // namespace trelon
