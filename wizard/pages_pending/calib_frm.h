// Peripheral calibration page (placeholder until the page is built).
#pragma once

#include "pending_frame.h"

namespace trelon::wizard {

class TCalibFrm : public TPendingFrame {
  public:
    TCalibFrm()
        : TPendingFrame(TPlace::PageList, QStringLiteral("Periphery setup"),
                        QStringLiteral("Настройка периферии")) {}
};

}  // namespace trelon::wizard
