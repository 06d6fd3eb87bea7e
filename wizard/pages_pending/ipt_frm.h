// Current meter page (placeholder until the page is built).
#pragma once

#include "pending_frame.h"

namespace trelon::wizard {

class TIptFrm : public TPendingFrame {
  public:
    TIptFrm() : TPendingFrame(TPlace::Tab, QStringLiteral("IptFrm"), QStringLiteral("Фрейм ИПТ")) {}
};

}  // namespace trelon::wizard
