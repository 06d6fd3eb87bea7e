// The command line of metrovik (Qt's own options, such as --platform, are taken by Qt
// before these are read).
#pragma once

#include <QString>
#include <QStringList>
#include <optional>

namespace trelon::wizard {

struct TRunOptions {
    QString ConfigPath;      // --config FILE: the settings file to use
    double TimeScale = 1.0;  // --time-scale X: waits and countdowns run X times faster
    QString FirstPort;       // --port PATH: a port page on this line when the settings have none
};

// The options, or nothing with the message in error; --help and --version give nothing
// and their text in error, with exitCode 0.
std::optional<TRunOptions> ParseRunOptions(const QStringList& arguments, QString& error,
                                           int& exitCode);

}  // namespace trelon::wizard
