// Naming of controls: each control keeps its component name as its object name and gets an
// accessible name from its caption, so tests and assistive tools can find it.
#pragma once

#include <QString>

class QAction;
class QPushButton;
class QWidget;

namespace trelon::wizard {

// The caption as the operator reads it: without the '&' of keyboard accelerators.
QString PlainCaption(const QString& text);

// Sets the object name, and the accessible name from the control's own caption (button,
// check box, label and group box texts) or else from the caption given.
template <class T>
T* Named(T* control, const char* objectName, const QString& caption = {});
void NameControl(QWidget* control, const char* objectName, const QString& caption = {});

// Makes the button run the action and follow its enabled state.
void BindButton(QPushButton* button, QAction* action);

template <class T>
T* Named(T* control, const char* objectName, const QString& caption) {
    NameControl(control, objectName, caption);
    return control;
}

}  // namespace trelon::wizard
