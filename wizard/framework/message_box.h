// Messages to the operator. They go through one replaceable handler, so that tests can
// record them instead of facing a modal box.
#pragma once

#include <QString>
#include <functional>

class QWidget;

namespace trelon::wizard {

using TMessageHandler = std::function<void(QWidget* parent, const QString& text)>;

// Shows a modal message box with an OK button (or hands the text to the installed handler).
void ShowMessage(QWidget* parent, const QString& text);
// Installs a handler; an empty one restores the message box. Returns the previous handler.
TMessageHandler SetMessageHandler(TMessageHandler handler);

}  // namespace trelon::wizard
