// Messages that pages post to the main window to switch the wizard page. They are
// handled when the event loop next runs, after the posting code has returned.
#pragma once

#include <QEvent>

namespace trelon::wizard {

enum TPageMessage : int {
    pmRemovePort = QEvent::User + 1,  // a port page asks the link setup page to remove it
    pmShowStabil = QEvent::User + 2,  // show the flow-rate verification page
    pmShowSysFrm = QEvent::User + 3,  // show the link setup page
    pmShowPoverV = QEvent::User + 4,  // show the volume verification page
    pmShowRep = QEvent::User + 5,     // show the report page
};

// Posts one of the page-switch messages to the main window.
void PostPageMessage(TPageMessage message);

}  // namespace trelon::wizard
