// Flowmeter setup page (placeholder until the page is built).
#pragma once

#include "pending_frame.h"

namespace trelon::wizard {

class TSetFzFrm : public TPendingFrame {
  public:
    TSetFzFrm()
        : TPendingFrame(TPlace::PageList, QStringLiteral("Setup FZ"),
                        QStringLiteral("Настройка расходомера")) {}
};

}  // namespace trelon::wizard
