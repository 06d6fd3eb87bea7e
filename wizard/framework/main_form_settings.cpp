// Saving and loading the settings file: the program parameters and every page's section.
#include <QDir>
#include <QFileInfo>
#include <exception>

#include "base_frame.h"
#include "ini_file.h"
#include "log_frame.h"
#include "main_form.h"

namespace trelon::wizard {

namespace {

// A page that fails with its settings must not stop the others.
template <class F>
void ForPage(TBaseFrame* page, F&& f) {
    try {
        f(page);
    } catch (const std::exception& e) {
        AddLog(QStringLiteral("Ошибка настроек страницы \"%1\": %2")
                   .arg(page->GetFrameName(), QString::fromLocal8Bit(e.what())));
    } catch (...) {
        AddLog(QStringLiteral("Ошибка настроек страницы \"%1\"").arg(page->GetFrameName()));
    }
}

}  // namespace

void TMainForm::SaveAllSettings() {
    const QString& path = options_.SettingsPath;
    TIniFile ini(path.toStdString());
    // A file that is there but cannot be read is not replaced by one without its sections.
    if (QFileInfo::exists(path) && !ini.Loaded()) {
        AddLog(QStringLiteral("Не удалось сохранить настройки: файл \"%1\" не читается").arg(path));
        return;
    }
    params_.Write(ini);
    for (TPageId id :
         {TPageId::SysFrm, TPageId::SetupFrm, TPageId::ImrFrm, TPageId::IptFrm, TPageId::UsiFrm,
          TPageId::FzFrm, TPageId::SetFzFrm, TPageId::CalibFrm, TPageId::StabilFrm,
          TPageId::PoverVFrm, TPageId::ShiftZFrm, TPageId::PrizmFrm})
        ForPage(Page(id), [&ini](TBaseFrame* page) { page->SaveSettings(ini); });
    QDir().mkpath(QFileInfo(path).absolutePath());
    if (!ini.UpdateFile())
        AddLog(QStringLiteral("Не удалось сохранить настройки: %1")
                   .arg(QString::fromStdString(ini.LastError())));
}

void TMainForm::LoadAllSettings() {
    initialized_ = false;
    TIniFile ini(options_.SettingsPath.toStdString());
    params_.Read(ini, options_.ReportPath);
    auto load = [&ini](TBaseFrame* page) { page->LoadSettings(ini); };
    for (const auto& entry : pageList_) ForPage(entry.second, load);
    for (TPageId id : {TPageId::IptFrm, TPageId::UsiFrm, TPageId::ImrFrm, TPageId::PrizmFrm})
        ForPage(Page(id), load);
    initialized_ = true;
    actLoadSettings_->setEnabled(false);
    SetNextEnabled(Page(TPageId::SysFrm)->IsReady());
}

}  // namespace trelon::wizard
