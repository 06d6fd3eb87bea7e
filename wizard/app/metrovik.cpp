#include "metrovik.h"

#include <QApplication>
#include <cstdio>

#include "main_form.h"
#include "pages.h"
#include "run_options.h"
#include "settings_path.h"
#include "sys_frm.h"
#include "ver_info.h"

namespace trelon::wizard {

int RunMetrovik(int argc, char** argv) {
    QApplication app(argc, argv);
    TVerInfoRes version;
    QApplication::setApplicationName(QString::fromLatin1(kProductTitle));
    QApplication::setApplicationVersion(version.Item(QStringLiteral("FileVersion")));

    QString message;
    int exitCode = 0;
    std::optional<TRunOptions> options =
        ParseRunOptions(QApplication::arguments(), message, exitCode);
    if (!options) {
        std::fputs(qPrintable(message + u'\n'), exitCode == 0 ? stdout : stderr);
        return exitCode;
    }
    TPathEnvironment env = CurrentPathEnvironment();
    TMainForm form(ProgramPages(), {ResolveSettingsPath(options->ConfigPath, env),
                                    DefaultReportPath(env), options->TimeScale});
    if (!options->FirstPort.isEmpty())
        form.PageAs<TSysFrm>(TPageId::SysFrm)->AddFirstPort(options->FirstPort);
    form.show();
    return app.exec();
}

}  // namespace trelon::wizard
