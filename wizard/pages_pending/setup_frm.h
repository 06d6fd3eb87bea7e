// Project setup page (placeholder until the page is built).
#pragma once

#include "pending_frame.h"

namespace trelon::wizard {

class TSetupFrm : public TPendingFrame {
  public:
    TSetupFrm()
        : TPendingFrame(TPlace::PageList, QStringLiteral("SetupFrm"),
                        QStringLiteral("Настройки проекта")) {}
};

}  // namespace trelon::wizard
