// The rig's model with its request handling, no line: requests go in as frames at a model
// time the test sets, answers come back as frames and values.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <optional>
#include <vector>

#include "rig_command.h"
#include "rig_service.h"

namespace trelon::rig::test {

class TRigBench {
  public:
    TRigBench();

    TRig Rig{0};
    TRigService Service{Rig};
    TModelTime Now = 0;

    void Pass(double seconds) { Now += seconds; }
    // A console command; fails the test when it is refused.
    void Command(const std::string& line);

    // The answer frame to a request (address, function, fields; the CRC is added).
    std::optional<TBytes> Exchange(TBytes request);
    // Registers of function 3 or 4; empty, with a test failure, on anything but an answer.
    std::vector<std::uint16_t> Read(std::uint8_t address, std::uint8_t function,
                                    std::uint16_t start, std::uint16_t count);
    float ReadFloat(std::uint8_t address, std::uint8_t function, std::uint16_t start);
    std::uint32_t ReadU32(std::uint8_t address, std::uint8_t function, std::uint16_t start);
    std::uint16_t ReadWord(std::uint8_t address, std::uint8_t function, std::uint16_t start);
    // Writes with function 6 / 16; the exception code of the answer, 0 for success.
    int WriteWord(std::uint8_t address, std::uint16_t start, std::uint16_t value);
    int WriteWords(std::uint8_t address, std::uint16_t start, std::vector<std::uint16_t> values);
    int WriteFloat(std::uint8_t address, std::uint16_t start, float value);
    int WriteU32(std::uint8_t address, std::uint16_t start, std::uint32_t value);
    int WriteCoil(std::uint8_t address, std::uint16_t start, bool value);
};

// The exception code of an answer frame, 0 when it is no exception.
int ExceptionOf(const TBytes& answer);

}  // namespace trelon::rig::test
