// The page contract of the wizard: every screen is a TBaseFrame that the main window owns
// for the whole run and calls through the eleven operations below.
#pragma once

#include <QFrame>
#include <QString>

#include "variant.h"

namespace trelon {
class TIniFile;
}

namespace trelon::wizard {

class TReportWorkbook;  // the report workbook, defined with the report

class TBaseFrame : public QFrame {
    Q_OBJECT
  public:
    explicit TBaseFrame(QWidget* parent = nullptr);

    // 1. The internal (Latin) name: settings section and part of report names.
    virtual QString GetFrameName() const { return frameName_; }
    // 2. Whether the page can do its work now.
    virtual bool IsReady() { return true; }
    // 3. Whether the page's work is finished.
    virtual bool IsDone() const { return done_; }
    // 4. Shows the page in the container. The base puts the page into it, gives the main
    // tab the page's caption, activates the main tab and clears the hint line.
    virtual void Enter(QWidget* container);
    // 5. A link the page may use connected or disconnected.
    virtual void LinkChanged(QObject* link, bool connected);
    // 6. An answer to a query the page registered; result is the MBResult code.
    virtual void AnswerReceived(QObject* sender, int qid, int mbAddr, int funNumber,
                                const TVariant& value, int result);
    // 7. Runs the page's work as its Start button does; true when it completed.
    virtual bool RunAuto() = 0;
    // 8. A device bound to the page was removed from the device table.
    virtual void DeviceRemoved(QObject* link) = 0;
    // 9, 10. The page's own keys of the settings file.
    virtual void SaveSettings(TIniFile& ini);
    virtual void LoadSettings(const TIniFile& ini);
    // 11. Writes the page's results into the report workbook.
    virtual void WriteReport(TReportWorkbook& book) = 0;

    QString GetCaption() const { return caption_; }
    void SetDone(bool done) { done_ = done; }
    bool IsPrepared() const { return prepared_; }
    void SetPrepared(bool prepared) { prepared_ = prepared; }
    bool IsAuto() const { return auto_; }
    // The page list draws auto pages in bold; it is repainted at once.
    void SetAuto(bool isAuto);
    // Makes the main window show this page.
    void ShowPage();

  protected:
    // Each page sets its own name and caption in its constructor.
    void SetFrameName(const QString& name) { frameName_ = name; }
    void SetCaption(const QString& caption) { caption_ = caption; }
    // Puts the page into a container: the main tab's page stack or a plain panel.
    void PlaceIn(QWidget* container);

  private:
    bool prepared_ = false;
    bool done_ = false;
    QString frameName_ = QStringLiteral("BaseFrm");
    QString caption_ = QStringLiteral("Базовый фрейм");
    bool auto_ = false;
};

}  // namespace trelon::wizard
