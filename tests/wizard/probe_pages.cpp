#include "probe_pages.h"

#include <QEventLoop>
#include <QFile>
#include <QTimer>

#include "ini_file.h"
#include "log_frame.h"

namespace trelon::wizard::test {

TProbePage::TProbePage(const QString& name, QStringList& journal, bool onTab)
    : journal_(journal), onTab_(onTab) {
    SetFrameName(name);
    SetCaption(name + QStringLiteral(" caption"));
}

void TProbePage::Enter(QWidget* container) {
    journal_ << GetFrameName() + QStringLiteral(".Enter");
    if (!onTab_) TBaseFrame::Enter(container);
}

void TProbePage::SaveSettings(TIniFile& ini) {
    journal_ << GetFrameName() + QStringLiteral(".Save");
    ini.WriteString(GetFrameName().toStdString(), "Probe",
                    "saved by " + GetFrameName().toStdString());
}

void TProbePage::LoadSettings(const TIniFile& ini) {
    journal_ << GetFrameName() + QStringLiteral(".Load");
    Loaded = QString::fromStdString(ini.ReadString(GetFrameName().toStdString(), "Probe", ""));
    if (OnLoad) OnLoad();
}

bool TFlowmeterProbe::ReadMode(int& mode) {
    journal_ << QStringLiteral("ReadMode");
    if (DuringRead) DuringRead();
    mode = Mode;
    return ReadOk;
}

bool TFlowmeterProbe::WriteMode(bool verification) {
    journal_ << QStringLiteral("WriteMode(%1)").arg(verification);
    return WriteOk;
}

bool TFlowmeterProbe::WaitForMode(bool verification, int seconds) {
    journal_ << QStringLiteral("WaitForMode(%1,%2)").arg(verification).arg(seconds);
    return true;
}

TPageTable ProbeTable(QStringList& journal) {
    const std::pair<TPageId, const char*> pages[] = {
        {TPageId::SysFrm, "SysFrm"},       {TPageId::SetupFrm, "SetupFrm"},
        {TPageId::FzFrm, "FzFrm"},         {TPageId::CalibFrm, "CalibFrm"},
        {TPageId::SetFzFrm, "SetFzFrm"},   {TPageId::StabilFrm, "StabilFrm"},
        {TPageId::PoverVFrm, "PoverVFrm"}, {TPageId::RepFrm, "RepFrm"},
        {TPageId::ShiftZFrm, "ShiftZFrm"}, {TPageId::ImrFrm, "ImrFrm"},
        {TPageId::IptFrm, "IptFrm"},       {TPageId::UsiFrm, "UsiFrm"},
        {TPageId::PrizmFrm, "PrizmFrm"},
    };
    TPageTable table;
    for (const auto& [id, name] : pages) {
        bool onTab = id == TPageId::ImrFrm || id == TPageId::IptFrm || id == TPageId::UsiFrm ||
                     id == TPageId::PrizmFrm;
        QString n = QString::fromLatin1(name);
        table[id] = [&journal, id, n, onTab]() -> TBaseFrame* {
            if (id == TPageId::FzFrm) return new TFlowmeterProbe(n, journal, onTab);
            return new TProbePage(n, journal, onTab);
        };
    }
    return table;
}

TProbeWindow::TProbeWindow(const QString& ini) {
    if (!ini.isNull()) {
        QFile file(SettingsPath());
        if (file.open(QIODevice::WriteOnly)) file.write(ini.toUtf8());
    }
    form_ = std::make_unique<TMainForm>(ProbeTable(Journal),
                                        TMainFormOptions{SettingsPath(), dir_.path() + u'/'});
}

QString TProbeWindow::ReadSettingsFile() const {
    QFile file(SettingsPath());
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

QStringList TProbeWindow::Calls(const QString& kind) const {
    QStringList pages;
    QString suffix = u'.' + kind;
    for (const QString& call : Journal)
        if (call.endsWith(suffix)) pages << call.chopped(suffix.size());
    return pages;
}

bool ProcessUntil(const std::function<bool()>& condition, int timeoutMs) {
    if (condition()) return true;
    QEventLoop loop;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
        if (condition()) loop.quit();
    });
    poll.start(5);
    QTimer::singleShot(timeoutMs, &loop, &QEventLoop::quit);
    loop.exec();
    return condition();
}

QStringList LogTexts(const TMainForm& form) {
    QStringList texts;
    for (int i = 0; i < form.LogPage()->Count(); ++i) texts << form.LogPage()->Text(i);
    return texts;
}

}  // namespace trelon::wizard::test
