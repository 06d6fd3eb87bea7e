#include "base_frame.h"

#include <QLayout>
#include <QStackedWidget>
#include <QVBoxLayout>

#include "main_form.h"

namespace trelon::wizard {

TBaseFrame::TBaseFrame(QWidget* parent) : QFrame(parent) {}

void TBaseFrame::Enter(QWidget* container) {
    PlaceIn(container);
    if (TMainForm* form = MainForm()) {
        form->SetMainTabCaption(caption_);
        form->ActivateMainTab();
        form->SetHint({});
    }
}

void TBaseFrame::PlaceIn(QWidget* container) {
    if (!container) return;
    if (auto* stack = qobject_cast<QStackedWidget*>(container)) {
        if (stack->indexOf(this) < 0) stack->addWidget(this);
        stack->setCurrentWidget(this);
        return;
    }
    if (parentWidget() != container) {
        if (!container->layout()) new QVBoxLayout(container);
        container->layout()->addWidget(this);
    }
    show();
}

void TBaseFrame::LinkChanged(QObject*, bool) {}

void TBaseFrame::AnswerReceived(QObject*, int, int, int, const TVariant&, int) {}

void TBaseFrame::SaveSettings(TIniFile&) {}

void TBaseFrame::LoadSettings(const TIniFile&) {}

void TBaseFrame::SetAuto(bool isAuto) {
    auto_ = isAuto;
    if (TMainForm* form = MainForm()) form->RefreshPageList();
}

void TBaseFrame::ShowPage() {
    if (TMainForm* form = MainForm()) form->ShowPage(this);
}

}  // namespace trelon::wizard
