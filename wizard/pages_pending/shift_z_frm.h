// Zero offset calibration, run by the flowmeter setup page (placeholder until the page is built).
#pragma once

#include "pending_frame.h"

namespace trelon::wizard {

class TShiftZFrm : public TPendingFrame {
  public:
    TShiftZFrm()
        : TPendingFrame(TPlace::PageList, QStringLiteral("CalibZero"),
                        QStringLiteral("Калибровка нуля")) {}
};

}  // namespace trelon::wizard
