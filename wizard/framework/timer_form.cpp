#include "timer_form.h"

#include <QApplication>
#include <QFocusEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QTimer>
#include <QVBoxLayout>
#include <algorithm>

#include "controls.h"
#include "main_form.h"
#include "wait_tracker.h"

namespace trelon::wizard {

namespace {
// Focus moved by the operator (mouse, keyboard), as opposed to the window losing
// activation or a program setting the focus.
bool ByOperator(Qt::FocusReason reason) {
    return reason == Qt::MouseFocusReason || reason == Qt::TabFocusReason ||
           reason == Qt::BacktabFocusReason || reason == Qt::ShortcutFocusReason;
}
}  // namespace

TTimerForm::TTimerForm(int seconds, const QString& caption, const QString& text, int tickMs,
                       QWidget* parent)
    : QDialog(parent, Qt::Tool), seconds_(seconds) {
    setObjectName(QStringLiteral("TimerForm"));
    setWindowTitle(caption);
    text_ = Named(new QLabel(text, this), "lblText");
    text_->setWordWrap(true);
    text_->setAlignment(Qt::AlignCenter);
    text_->setMinimumWidth(300);
    text_->installEventFilter(this);
    ok_ = Named(new QPushButton(this), "btnOk", QStringLiteral("Ok"));
    ok_->setDefault(true);
    ok_->installEventFilter(this);
    cancel_ = Named(new QPushButton(QStringLiteral("Отмена"), this), "btnCancel");
    cancel_->installEventFilter(this);
    connect(ok_, &QPushButton::clicked, this, [this] {
        StopCountdown();
        accept();
    });
    connect(cancel_, &QPushButton::clicked, this, [this] {
        StopCountdown();
        reject();
    });
    timer_ = new QTimer(this);
    timer_->setInterval(std::max(1, tickMs));
    connect(timer_, &QTimer::timeout, this, &TTimerForm::Tick);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(ok_);
    buttons->addWidget(cancel_);
    buttons->addStretch();
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(text_);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);  // height follows the text
    ShowSeconds();
    // The longest caption is the first one.
    ok_->setMinimumWidth(ok_->fontMetrics().horizontalAdvance(ok_->text()) + 24);
}

QString TTimerForm::OkCaption() const {
    return ok_->text();
}

void TTimerForm::ShowSeconds() {
    ok_->setText(QStringLiteral("Ok (%1) секунд...").arg(seconds_));
}

void TTimerForm::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    QApplication::beep();
    ShowSeconds();
    if (QScreen* screen = this->screen())
        move(screen->availableGeometry().center() - rect().center());
    ok_->setFocus(Qt::OtherFocusReason);
    if (counting_) timer_->start();
}

void TTimerForm::Tick() {
    if (!counting_) return;
    seconds_ = std::max(0, seconds_ - 1);
    ShowSeconds();
    if (seconds_ == 0) {
        timer_->stop();
        counting_ = false;
        accept();
    }
}

void TTimerForm::StopCountdown() {
    timer_->stop();
    counting_ = false;
    ok_->setText(QStringLiteral("Ok"));
}

void TTimerForm::mousePressEvent(QMouseEvent* event) {
    StopCountdown();
    QDialog::mousePressEvent(event);
}

bool TTimerForm::eventFilter(QObject* watched, QEvent* event) {
    if (counting_) {
        if (watched == text_ && event->type() == QEvent::MouseButtonPress) StopCountdown();
        if (watched == ok_ && event->type() == QEvent::FocusOut &&
            ByOperator(static_cast<QFocusEvent*>(event)->reason()))
            StopCountdown();
        if (watched == cancel_ && event->type() == QEvent::FocusIn &&
            ByOperator(static_cast<QFocusEvent*>(event)->reason()))
            StopCountdown();
    }
    return QDialog::eventFilter(watched, event);
}

bool ShowTimedMessage(int seconds, const QString& caption, const QString& text) {
    TMainForm* form = MainForm();
    double scale = form ? form->TimeScale() : 1.0;
    TTimerForm box(seconds, caption, text, int(1000 / scale), form);
    // The box runs its own event loop, and the caller goes on after it: a wait.
    TWaitScope wait;
    return box.exec() == QDialog::Accepted;
}

}  // namespace trelon::wizard
