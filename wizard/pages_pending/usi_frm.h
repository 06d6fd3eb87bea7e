// Pulse counter page (placeholder until the page is built).
#pragma once

#include "pending_frame.h"

namespace trelon::wizard {

class TUsiFrm : public TPendingFrame {
  public:
    TUsiFrm() : TPendingFrame(TPlace::Tab, QStringLiteral("UsiFrm"), QStringLiteral("Фрейм УСИ")) {}
};

}  // namespace trelon::wizard
