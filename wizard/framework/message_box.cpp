#include "message_box.h"

#include <QApplication>
#include <QMessageBox>

namespace trelon::wizard {

namespace {
TMessageHandler& Handler() {
    static TMessageHandler handler;
    return handler;
}
}  // namespace

void ShowMessage(QWidget* parent, const QString& text) {
    if (Handler()) {
        Handler()(parent, text);
        return;
    }
    QMessageBox::information(parent, QApplication::applicationDisplayName(), text);
}

TMessageHandler SetMessageHandler(TMessageHandler handler) {
    TMessageHandler old = std::move(Handler());
    Handler() = std::move(handler);
    return old;
}

}  // namespace trelon::wizard
