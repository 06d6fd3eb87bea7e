#include "transports/com_settings.h"

#include "ini_file.h"

namespace trelon {

uint8_t ReadByteTimeoutMultiplier(const TComSettings& settings) {
    if (settings.SettingsPath.empty()) return kDefaultByteTimeoutMultiplier;
    TIniFile ini(settings.SettingsPath);
    long long value =
        ini.ReadInteger("Com", "ByteTimeoutMultiplier", kDefaultByteTimeoutMultiplier);
    if (value < 0 || value > 255) return kDefaultByteTimeoutMultiplier;
    return uint8_t(value);
}

}  // namespace trelon
