// Flow simulator page, keeps the base name and caption (placeholder until the page is built).
#pragma once

#include "pending_frame.h"

namespace trelon::wizard {

class TImrFrm : public TPendingFrame {
  public:
    TImrFrm() : TPendingFrame(TPlace::Tab) {}
};

}  // namespace trelon::wizard
