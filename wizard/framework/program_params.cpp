#include "program_params.h"

#include <algorithm>
#include <climits>

#include "ini_file.h"

namespace trelon::wizard {

namespace {
const std::string kSection = "MainForm";
}

void TProgramParams::Read(const TIniFile& ini, const QString& defaultRepPath) {
    FullLog = ini.ReadBool(kSection, "FullLog", false);
    PlaceMetrolog = ini.ReadBool(kSection, "PlaceMetrolog", true);
    DialogDelay =
        int(std::clamp<long long>(ini.ReadInteger(kSection, "DialogDelay", 10), 1, INT_MAX));
    RepPath =
        QString::fromStdString(ini.ReadString(kSection, "RepPath", defaultRepPath.toStdString()));
}

void TProgramParams::Write(TIniFile& ini) const {
    ini.WriteBool(kSection, "FullLog", FullLog);
    if (!PlaceMetrolog) ini.WriteBool(kSection, "PlaceMetrolog", false);
    ini.WriteString(kSection, "RepPath", RepPath.toStdString());
}

QString WithTrailingSlash(const QString& path) {
    if (path.isEmpty() || path.endsWith(u'/')) return path;
    return path + u'/';
}

}  // namespace trelon::wizard
