// Where the wizard keeps its settings file "ZRT.ini" and, by default, its reports.
#pragma once

#include <QString>

namespace trelon::wizard {

inline constexpr const char* kSettingsFileName = "ZRT.ini";

struct TPathEnvironment {
    QString ExeDir;         // folder of the program file
    QString XdgConfigHome;  // $XDG_CONFIG_HOME, may be empty
    QString Home;           // $HOME
};

// The environment of this process.
TPathEnvironment CurrentPathEnvironment();

// The file named by --config if given; else "ZRT.ini" beside the program if it exists
// there (portable use); else $XDG_CONFIG_HOME/Metrovik/ZRT.ini (~/.config by default).
QString ResolveSettingsPath(const QString& configOption, const TPathEnvironment& env);

// Default report folder: the program's folder when it is writable, otherwise the user's
// documents folder; with a trailing '/'.
QString DefaultReportPath(const TPathEnvironment& env);

}  // namespace trelon::wizard
