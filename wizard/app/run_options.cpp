#include "run_options.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <cmath>

namespace trelon::wizard {

std::optional<TRunOptions> ParseRunOptions(const QStringList& arguments, QString& error,
                                           int& exitCode) {
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Metrovik, the flowmeter verification wizard"));
    QCommandLineOption help = parser.addHelpOption();
    QCommandLineOption version = parser.addVersionOption();
    QCommandLineOption config(QStringLiteral("config"),
                              QStringLiteral("Settings file to use instead of ZRT.ini."),
                              QStringLiteral("FILE"));
    QCommandLineOption timeScale(QStringLiteral("time-scale"),
                                 QStringLiteral("Run waits and countdowns X times faster."),
                                 QStringLiteral("X"), QStringLiteral("1"));
    QCommandLineOption port(
        QStringLiteral("port"),
        QStringLiteral("Serial port of a first port page, opened at start, when the settings "
                       "file has no ports (first run)."),
        QStringLiteral("PATH"));
    parser.addOption(config);
    parser.addOption(timeScale);
    parser.addOption(port);
    exitCode = 2;
    if (!parser.parse(arguments)) {
        error = parser.errorText();
        return std::nullopt;
    }
    bool wantsHelp = parser.isSet(help) || parser.isSet(QStringLiteral("help-all"));
    if (wantsHelp || parser.isSet(version)) {
        exitCode = 0;
        error = wantsHelp ? parser.helpText()
                          : parser.applicationDescription() + u' ' +
                                QCoreApplication::applicationVersion();
        return std::nullopt;
    }
    if (!parser.positionalArguments().isEmpty()) {
        error = QStringLiteral("Unexpected argument: ") + parser.positionalArguments().first();
        return std::nullopt;
    }
    TRunOptions options;
    options.ConfigPath = parser.value(config);
    options.FirstPort = parser.value(port);
    bool ok = false;
    options.TimeScale = parser.value(timeScale).toDouble(&ok);
    if (!ok || !std::isfinite(options.TimeScale) || options.TimeScale <= 0) {
        error = QStringLiteral("--time-scale needs a positive number, not \"%1\"")
                    .arg(parser.value(timeScale));
        return std::nullopt;
    }
    exitCode = 0;
    return options;
}

}  // namespace trelon::wizard
