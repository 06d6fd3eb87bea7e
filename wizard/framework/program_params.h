// The program parameters of the main window, section "MainForm" of the settings file.
#pragma once

#include <QString>

namespace trelon {
class TIniFile;
}

namespace trelon::wizard {

struct TProgramParams {
    bool FullLog = false;       // log every Modbus answer
    bool PlaceMetrolog = true;  // the verification runs at the metrologist's workplace
    int DialogDelay = 10;       // seconds of the self-closing messages, at least 1
    QString RepPath;            // folder of the report workbooks, with a trailing '/'

    void Read(const TIniFile& ini, const QString& defaultRepPath);
    // "PlaceMetrolog" is written only when false and "DialogDelay" never: both are set by
    // hand in the file.
    void Write(TIniFile& ini) const;
};

// The folder's path with a trailing '/'; an empty path stays empty.
QString WithTrailingSlash(const QString& path);

}  // namespace trelon::wizard
