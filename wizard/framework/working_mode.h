// What the main window needs of the flowmeter page at close: the flowmeter is returned to
// working mode before the program ends. The flowmeter page implements it.
#pragma once

namespace trelon::wizard {

class TWorkingModeControl {
  public:
    virtual ~TWorkingModeControl() = default;
    // Reads the flowmeter's mode (1 is working); false when the read fails.
    virtual bool ReadMode(int& mode) = 0;
    // Commands verification mode (true) or working mode (false); false when it failed.
    virtual bool WriteMode(bool verification) = 0;
    // Waits up to the given seconds until the flowmeter reports the mode.
    virtual bool WaitForMode(bool verification, int seconds) = 0;
};

}  // namespace trelon::wizard
