// A main window of the program's pages on a settings file of its own, its link setup page,
// and a page that records what the link tells it. The links reach the server on one
// private bus per test process, whose activation file names the server under test.
#pragma once

#include <QProcess>
#include <QPushButton>
#include <QStringList>
#include <QTemporaryDir>
#include <memory>
#include <ostream>
#include <vector>

#include "base_frame.h"
#include "main_form.h"
#include "private_bus.h"

// Readable texts in test messages.
inline void PrintTo(const QString& text, std::ostream* os) {
    *os << '"' << text.toStdString() << '"';
}

namespace trelon::wizard {
class TPortFrm;
class TSysFrm;
}  // namespace trelon::wizard

namespace trelon::wizard::test {

// The bus of this test process (made on first use with the given activation folder).
trelon::test::TPrivateBus& LinkBus(const QString& serviceDir);

class TLinkWindow {
  public:
    // settingsPath: the settings file to use; empty for a new one in a folder of its own.
    explicit TLinkWindow(const QString& settingsPath = {});
    ~TLinkWindow();
    TMainForm& Form() { return *form_; }
    TSysFrm& Sys();
    QString SettingsPath() const { return path_; }
    QStringList Log() const;
    bool LogHas(const QString& text) const;
    // A new port page by the operator's button, with the name of its port and addresses.
    TPortFrm* AddPort(const QString& portName, const QString& addresses);
    // Opens the port by its button and waits for the connection.
    bool Open(TPortFrm* port);
    // Searches by the port's button and waits for every answer.
    bool Search(TPortFrm* port);
    // The grid's rows as "address|answer|type|port".
    QStringList GridRows();
    bool SaveScreenshot(const QString& fileName);

  private:
    QTemporaryDir dir_;
    QString path_;
    std::unique_ptr<TMainForm> form_;
};

QPushButton* Button(QWidget* parent, const char* objectName);

// The real server started by hand on the test's bus, its settings file and logs in a
// folder; ended with the object.
class TServerRun {
  public:
    explicit TServerRun(const QString& folder);
    ~TServerRun();
    // The server owns its name on the bus.
    bool Up();

  private:
    QProcess process_;
};

// A page that records the link's calls.
class TRecordingPage : public TBaseFrame {
  public:
    void AnswerReceived(QObject* sender, int qid, int mbAddr, int funNumber, const TVariant& value,
                        int result) override;
    void LinkChanged(QObject* link, bool connected) override;
    void DeviceRemoved(QObject* link) override;
    bool RunAuto() override { return false; }
    void WriteReport(TReportWorkbook&) override {}

    struct TAnswer {
        int Qid, Address, Value, Result;
    };
    std::vector<TAnswer> Answers;
    QStringList Calls;  // "LinkChanged 1", "DeviceRemoved"
};

}  // namespace trelon::wizard::test
