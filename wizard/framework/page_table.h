// The pages the main window creates at start-up, and how it creates them: one factory
// per page, so that each page's class can be replaced without touching the window.
#pragma once

#include <functional>
#include <map>

namespace trelon::wizard {

class TBaseFrame;

enum class TPageId {
    SysFrm,     // link setup, page list position 1
    SetupFrm,   // project setup, 2
    FzFrm,      // flowmeter general page, 3
    CalibFrm,   // peripheral calibration, 4
    SetFzFrm,   // flowmeter setup, 5
    StabilFrm,  // verification by flow rate, 6
    PoverVFrm,  // verification by volume, 7
    RepFrm,     // report, 8
    ShiftZFrm,  // zero offset: created, never listed
    ImrFrm,     // flow simulator, tab "ИМР"
    IptFrm,     // current meter, tab "ИПТ"
    UsiFrm,     // pulse counter, tab "УСИ"
    PrizmFrm,   // prisms, hidden tab "Призмы"
};

// Creates the page; the main window takes ownership.
using TPageFactory = std::function<TBaseFrame*()>;
using TPageTable = std::map<TPageId, TPageFactory>;

}  // namespace trelon::wizard
