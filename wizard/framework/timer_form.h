// The self-closing countdown message: OK shows the seconds left and is pressed by itself
// at 0; any sign that the operator is reading (a click on the window or its text, moving
// the focus away from OK) stops the countdown, and the window then waits for the operator.
#pragma once

#include <QDialog>
#include <QString>

class QLabel;
class QPushButton;
class QTimer;

namespace trelon::wizard {

class TTimerForm : public QDialog {
    Q_OBJECT
  public:
    // tickMs is the length of one counted second (shorter when time runs faster).
    TTimerForm(int seconds, const QString& caption, const QString& text, int tickMs = 1000,
               QWidget* parent = nullptr);

    int SecondsLeft() const { return seconds_; }
    bool IsCounting() const { return counting_; }
    QString OkCaption() const;
    // One second passed: counts down, and presses OK at 0.
    void Tick();
    // Stops the countdown; OK then reads "Ok".
    void StopCountdown();

  protected:
    void showEvent(QShowEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void ShowSeconds();

    int seconds_;
    bool counting_ = true;
    QLabel* text_;
    QPushButton* ok_;
    QPushButton* cancel_;
    QTimer* timer_;
};

// Shows the countdown message modally; true when it closed with OK (pressed by the
// operator or by the countdown), false when closed with "Отмена".
bool ShowTimedMessage(int seconds, const QString& caption, const QString& text);

}  // namespace trelon::wizard
