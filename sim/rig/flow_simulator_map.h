// The flow simulator's register map.
#pragma once

#include <cstdint>

#include "register_bank.h"

namespace trelon::rig::imr {

// Holding registers and coils.
constexpr std::uint16_t kCommand = 3;
constexpr std::uint16_t kConversions = 0x4001;
constexpr std::uint16_t kDelayedPulses = 0x4002;   // 0..1023
constexpr std::uint16_t kSimulationTime = 0x8004;  // ms; 0: until stopped
constexpr std::uint16_t kQuartz = 0x8006;
constexpr std::uint16_t kTimes = 0xC000;  // T1, T2
constexpr std::uint16_t kControlBit = 2;  // coil

// Input registers.
constexpr std::uint16_t kStatus = 1;  // state, error, last command
constexpr std::uint16_t kCirculations = 0x4000;
constexpr std::uint16_t kElapsed = 0x8002;  // ms simulated so far
constexpr std::uint16_t kSums = 0x8004;     // S0..S4 of set 0, then of set 1

// Commands.
constexpr std::uint16_t kStart = 1, kStop = 2, kCalibrate = 3, kCount = 4, kStopTuning = 9,
                        kStopContinuous = 12, kStopDelayLine = 15;

// States, and the last-command codes the device reports.
constexpr int kIdle = 0, kSimulating = 2, kCounting = 4;
constexpr int kStartDone = 2, kStopDone = 5, kCalibrated = 8, kCalibrationFailed = 9,
              kCountRunning = 10, kCountDone = 11, kTuningStopped = 18, kContinuousStopped = 22,
              kDelayLineStopped = 25;
constexpr int kCalibrationError = 2;  // error code: no end of conversion

using enum TArea;
using enum TValueType;

inline constexpr TRegisterRow kMap[] = {
    {Holding, kCommand, 1, U8, "Команда"},
    {Holding, kConversions, 1, U16, "Число конверсий", 10},
    {Holding, kDelayedPulses, 1, U16, "Кол-во задержанных импульсов"},
    {Holding, kSimulationTime, 1, U32, "Время имитации"},
    {Holding, kQuartz, 1, U32, "Частота кварца", 50'000'000},
    {Holding, kTimes, 2, F32, "Времена"},
    {Coils, kControlBit, 1, Bit, "Бит ИМР"},
    {Input, kStatus, 3, U8, "Статус ИМР"},
    {Input, kCirculations, 1, U16, "Число автоциркуляций"},
    {Input, kElapsed, 1, U32, "Время имитации"},
    {Input, kSums, 10, U32, "Результаты калибровки"},
};

}  // namespace trelon::rig::imr
