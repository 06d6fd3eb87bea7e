#include "settings_path.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

#include "program_params.h"

namespace trelon::wizard {

TPathEnvironment CurrentPathEnvironment() {
    return {QCoreApplication::applicationDirPath(), qEnvironmentVariable("XDG_CONFIG_HOME"),
            QDir::homePath()};
}

QString ResolveSettingsPath(const QString& configOption, const TPathEnvironment& env) {
    if (!configOption.isEmpty()) return configOption;
    QString beside = QDir(env.ExeDir).filePath(kSettingsFileName);
    if (!env.ExeDir.isEmpty() && QFileInfo(beside).isFile()) return beside;
    // A relative $XDG_CONFIG_HOME is invalid and ignored.
    QString config = QDir::isAbsolutePath(env.XdgConfigHome)
                         ? env.XdgConfigHome
                         : QDir(env.Home).filePath(QStringLiteral(".config"));
    return QDir(config).filePath(QStringLiteral("Metrovik/") + kSettingsFileName);
}

QString DefaultReportPath(const TPathEnvironment& env) {
    QFileInfo exeDir(env.ExeDir);
    if (!env.ExeDir.isEmpty() && exeDir.isDir() && exeDir.isWritable())
        return WithTrailingSlash(env.ExeDir);
    QString docs = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    return WithTrailingSlash(docs.isEmpty() ? env.Home : docs);
}

}  // namespace trelon::wizard
