// Flowmeter general page (placeholder until the page is built).
#pragma once

#include "pending_frame.h"

namespace trelon::wizard {

class TFzFrm : public TPendingFrame {
  public:
    TFzFrm()
        : TPendingFrame(TPlace::PageList, QStringLiteral("FzMain"),
                        QStringLiteral("Расходомер - общие")) {}
};

}  // namespace trelon::wizard
