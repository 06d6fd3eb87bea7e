// Link setup page (placeholder until the page is built).
#pragma once

#include "pending_frame.h"

namespace trelon::wizard {

class TSysFrm : public TPendingFrame {
  public:
    TSysFrm()
        : TPendingFrame(TPlace::PageList, QStringLiteral("Setup links"),
                        QStringLiteral("Настройки связи")) {}
};

}  // namespace trelon::wizard
