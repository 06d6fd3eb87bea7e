// The running simulator: the rig's model behind its virtual lines, one for all four
// devices or one each, with the clock and the console commands. Used by rigsim and tests.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "rig_clock.h"
#include "rig_command.h"
#include "rig_line.h"
#include "rig_service.h"

namespace trelon::rig {

class TRigSim {
  public:
    // Throws when the addresses clash or a line cannot be made.
    TRigSim(TRig& rig, const TStartup& startup);

    const std::vector<std::unique_ptr<TRigLine>>& Lines() const { return lines_; }
    const TRigClock& Clock() const { return clock_; }
    // A console command while running (the start-only ones are refused).
    TCommandOutcome Command(std::string_view line);
    // One line per virtual line: "fz@1,imr@3,ipt@4,usi@5 /run/user/1000/rig".
    std::string LinesText() const;

  private:
    TRigClock clock_;
    TRigService service_;
    std::vector<std::unique_ptr<TRigLine>> lines_;
};

// An error text when two devices share an address, else "".
std::string AddressClash(const TRig& rig);

}  // namespace trelon::rig
