#include "controls.h"

#include <QAbstractButton>
#include <QAction>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>

namespace trelon::wizard {

QString PlainCaption(const QString& text) {
    QString out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] == u'&' && i + 1 < text.size()) ++i;  // "&&" stays one '&'
        out += text[i];
    }
    return out;
}

void NameControl(QWidget* control, const char* objectName, const QString& caption) {
    control->setObjectName(QString::fromLatin1(objectName));
    QString text = caption;
    if (text.isEmpty()) {
        if (auto* b = qobject_cast<QAbstractButton*>(control))
            text = b->text();
        else if (auto* l = qobject_cast<QLabel*>(control))
            text = l->text();
        else if (auto* g = qobject_cast<QGroupBox*>(control))
            text = g->title();
    }
    text = PlainCaption(text).simplified();
    control->setAccessibleName(text.isEmpty() ? control->objectName() : text);
}

void BindButton(QPushButton* button, QAction* action) {
    QObject::connect(button, &QPushButton::clicked, action, &QAction::trigger);
    QObject::connect(action, &QAction::changed, button,
                     [button, action] { button->setEnabled(action->isEnabled()); });
    button->setEnabled(action->isEnabled());
}

}  // namespace trelon::wizard
