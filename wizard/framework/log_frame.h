// The log page on the tab "Лог": one row per entry (date and time, text); the operator can
// clear it or save it as a text file. AddLog never waits, so it is safe inside a wait.
#pragma once

#include <QString>

#include "base_frame.h"

class QPushButton;
class QTableWidget;

namespace trelon::wizard {

class TLogFrm : public TBaseFrame {
    Q_OBJECT
  public:
    explicit TLogFrm(QWidget* parent = nullptr);

    // Appends a row with the current date and time and selects it.
    void AddLog(const QString& text);
    // Empties the log.
    void Clear();
    int Count() const { return int(entries_.size()); }
    QString Text(int row) const { return entries_.at(row).Text; }
    QString Stamp(int row) const { return entries_.at(row).Stamp; }
    // Writes one line per entry: date-time, a tab, the text. False with the reason in
    // error when the file cannot be written.
    bool SaveToFile(const QString& path, QString* error) const;

    void Enter(QWidget*) override {}
    bool RunAuto() override { return false; }
    void DeviceRemoved(QObject*) override {}
    void WriteReport(TReportWorkbook&) override {}

  signals:
    void LogAdded(const QString& text);

  private:
    void SaveWithDialog();

    struct TEntry {
        QString Stamp;
        QString Text;
    };
    std::vector<TEntry> entries_;
    QTableWidget* grid_;
};

// Adds a line to the main window's log page (dropped when there is no main window).
void AddLog(const QString& text);

}  // namespace trelon::wizard
