// Pages that record what the main window calls on them, and a main window built of them.
#pragma once

#include <QCoreApplication>
#include <QStringList>
#include <QTemporaryDir>
#include <functional>
#include <memory>

#include "base_frame.h"
#include "main_form.h"
#include "working_mode.h"

namespace trelon::wizard::test {

class TProbePage : public TBaseFrame {
  public:
    TProbePage(const QString& name, QStringList& journal, bool onTab);

    void Enter(QWidget* container) override;
    bool IsReady() override { return Ready; }
    void SaveSettings(TIniFile& ini) override;
    void LoadSettings(const TIniFile& ini) override;
    bool RunAuto() override { return false; }
    void DeviceRemoved(QObject*) override {}
    void WriteReport(TReportWorkbook&) override {}

    bool Ready = true;
    QString Loaded;                // the value of its own key read at the last load
    std::function<void()> OnLoad;  // runs inside LoadSettings

  protected:
    QStringList& journal_;

  private:
    bool onTab_;
};

// The flowmeter page as the close sees it.
class TFlowmeterProbe : public TProbePage, public TWorkingModeControl {
  public:
    using TProbePage::TProbePage;
    bool ReadMode(int& mode) override;
    bool WriteMode(bool verification) override;
    bool WaitForMode(bool verification, int seconds) override;

    bool ReadOk = true;
    int Mode = 1;
    bool WriteOk = true;
    std::function<void()> DuringRead;  // runs inside ReadMode
};

// Probe pages named after their page table entry ("SysFrm", ...); the flowmeter page is
// a TFlowmeterProbe.
TPageTable ProbeTable(QStringList& journal);

// A main window of probe pages with its settings file in a folder of its own.
class TProbeWindow {
  public:
    // ini is written as the settings file before the window is built.
    explicit TProbeWindow(const QString& ini = {});
    TMainForm& Form() { return *form_; }
    TProbePage& Probe(TPageId id) { return *form_->PageAs<TProbePage>(id); }
    TFlowmeterProbe& Flowmeter() { return *form_->PageAs<TFlowmeterProbe>(TPageId::FzFrm); }
    QString SettingsPath() const { return dir_.filePath(QStringLiteral("ZRT.ini")); }
    QString ReadSettingsFile() const;
    // The calls of one kind ("Enter", "Save", ...) in order, as the names of the pages.
    QStringList Calls(const QString& kind) const;
    QStringList Journal;

  private:
    QTemporaryDir dir_;
    std::unique_ptr<TMainForm> form_;
};

// Processes events until the condition holds or the time is up; returns the condition.
bool ProcessUntil(const std::function<bool()>& condition, int timeoutMs = 5000);

// Texts of the log page's entries.
QStringList LogTexts(const TMainForm& form);

}  // namespace trelon::wizard::test
