// Verification by volume (placeholder until the page is built).
#pragma once

#include "pending_frame.h"

namespace trelon::wizard {

class TPoverVFrm : public TPendingFrame {
  public:
    TPoverVFrm()
        : TPendingFrame(TPlace::PageList, QStringLiteral("PoverVFrm"),
                        QStringLiteral("Поверка по объему")) {}
};

}  // namespace trelon::wizard
