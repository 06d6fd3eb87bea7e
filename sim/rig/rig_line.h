// One virtual line of the rig on its own thread: the server opens end A as a serial port;
// the rig listens on end B, cuts what it hears into requests and answers for the devices
// on this line, at the line's speed.
#pragma once

#include <filesystem>
#include <thread>
#include <vector>

#include "rig_clock.h"
#include "rig_service.h"
#include "unique_fd.h"
#include "virtual_line.h"

namespace trelon::rig {

class TRigLine {
  public:
    // Throws when the line or its port cannot be made.
    TRigLine(TRigService& service, const TRigClock& clock, std::vector<TRigDevice*> devices,
             const TLineOptions& options, int baud);
    ~TRigLine();
    TRigLine(const TRigLine&) = delete;
    TRigLine& operator=(const TRigLine&) = delete;

    // The end the server opens.
    const std::filesystem::path& Path() const { return line_.Path(TEnd::A); }
    TVirtualLine& Line() { return line_; }
    const std::vector<TRigDevice*>& Devices() const { return devices_; }

  private:
    void Loop();
    void Answer(const TBytes& frame);
    // Waits `ms` unless the line is told to stop; false when it is.
    bool Pause(int ms);

    TRigService& service_;
    const TRigClock& clock_;
    std::vector<TRigDevice*> devices_;
    int baud_;
    TVirtualLine line_;
    TFd port_;
    TFd wake_;
    std::thread thread_;
};

}  // namespace trelon::rig
