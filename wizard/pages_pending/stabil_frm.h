// Verification by flow rate (placeholder until the page is built).
#pragma once

#include "pending_frame.h"

namespace trelon::wizard {

class TStabilFrm : public TPendingFrame {
  public:
    TStabilFrm()
        : TPendingFrame(TPlace::PageList, QStringLiteral("StabilFrm"),
                        QStringLiteral("Поверка по расходу")) {}
};

}  // namespace trelon::wizard
