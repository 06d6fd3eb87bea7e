// Prism settings page (placeholder until the page is built).
#pragma once

#include "pending_frame.h"

namespace trelon::wizard {

class TPrizmFrm : public TPendingFrame {
  public:
    TPrizmFrm()
        : TPendingFrame(TPlace::Tab, QStringLiteral("PrizmFrm"),
                        QStringLiteral("Фрейм настройки призм")) {}
};

}  // namespace trelon::wizard
