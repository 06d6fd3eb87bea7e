// Report page (placeholder until the page is built).
#pragma once

#include "pending_frame.h"

namespace trelon::wizard {

class TRepFrm : public TPendingFrame {
  public:
    TRepFrm()
        : TPendingFrame(TPlace::PageList, QStringLiteral("RefFrm"),
                        QStringLiteral("Фрейм отчета")) {}
};

}  // namespace trelon::wizard
