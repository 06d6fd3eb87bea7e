#include "page_messages.h"

#include <QCoreApplication>

#include "main_form.h"

namespace trelon::wizard {

void PostPageMessage(TPageMessage message) {
    if (TMainForm* form = MainForm())
        QCoreApplication::postEvent(form, new QEvent(QEvent::Type(message)));
}

}  // namespace trelon::wizard
