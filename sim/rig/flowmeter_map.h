// The flowmeter's register map. Byte values take one register each (the low byte), as
// the server sends them by default; floats and 32-bit values take two, high word first.
#pragma once

#include <cstdint>

#include "register_bank.h"

namespace trelon::rig::fz {

// Holding registers.
constexpr std::uint16_t kSlotTypes =
    7;  // 2 slot types: 0 empty, 1 universal, 2 current, 3 discrete
constexpr std::uint16_t kOutputTypes = 9;         // 9 outputs: 3 pulse output
constexpr std::uint16_t kUniversalLevels = 18;    // 9 outputs: 0 low, 1 high
constexpr std::uint16_t kUniversalChannels = 27;  // 9 outputs: 0, or 3 × channel + direction + 1
constexpr std::uint16_t kSlotCalibration = 60;    // 2 slots: 1 calibrating, 0 not
constexpr std::uint16_t kSlotPoint = 62;          // 2 slots: point 0..3 = 0, 4, 5, 20 mA
constexpr std::uint16_t kModeRequest = 74;        // write 2 verification, 1 working
constexpr std::uint16_t kChannel = 75;            // current channel, from 0
constexpr std::uint16_t kStartVolume = 83;        // 4 channels: 1 restarts the volume, 0 holds it
constexpr std::uint16_t kSensitivities = 248;
constexpr std::uint16_t kInversions = 252;
constexpr std::uint16_t kAmplitudes = 304;
constexpr std::uint16_t kClock = 0x8000;  // seconds since 1970, local time
constexpr std::uint16_t kSecondarySerial = 0x8006;
constexpr std::uint16_t kPrimarySerial = 0x8008;
constexpr std::uint16_t kFrequencyConstants = 0xC000;  // 9 outputs, pulses per m3
constexpr std::uint16_t kCurrentHighs = 0xC012;        // 9 outputs, flow at the top of the range
constexpr std::uint16_t kCalibCurrents = 0xC02C;       // point p of slot s at + 4p + 2s, mA
constexpr std::uint16_t kCurrentLows = 0xC056;         // 9 outputs, flow at the bottom
constexpr std::uint16_t kComparatorVoltages = 0xC238;
constexpr std::uint16_t kZeroOffsets = 0xC2D0;     // 4 channels, m3/h, added to the flow
constexpr std::uint16_t kCutoffs = 0xC2D8;         // 4 channels, m3/h, in verification
constexpr std::uint16_t kMaxFrequencies = 0xC400;  // 9 outputs, Hz

// Input registers.
constexpr std::uint16_t kChannelCount = 26;
constexpr std::uint16_t kBeamCount = 27;
constexpr std::uint16_t kModeState = 29;  // 0 working, 1 verification
constexpr std::uint16_t kAutoCirculations = 0x4060;
constexpr std::uint16_t kFlows = 0xC1B8;    // 4 channels, m3/h
constexpr std::uint16_t kVolumes = 0xC1C0;  // 4 channels, m3

using enum TArea;
using enum TValueType;

inline constexpr TRegisterRow kMap[] = {
    {Holding, kSlotTypes, 2, U8, "Дополнительные слоты"},
    {Holding, kOutputTypes, 9, U8, "Тип выхода"},
    {Holding, kUniversalLevels, 9, U8, "Уровень ун. выхода"},
    {Holding, kUniversalChannels, 9, U8, "Канал для ун. выхода"},
    {Holding, kSlotCalibration, 2, U8, "Старт калибровки токового слота"},
    {Holding, kSlotPoint, 2, U8, "Имитируемый ток"},
    {Holding, kModeRequest, 1, U8, "Смена режима прибора"},
    {Holding, kChannel, 1, U8, "Текущий канал"},
    {Holding, kStartVolume, 4, U8, "Объем"},
    {Holding, kSensitivities, 4, U8, "Чувствительность"},
    {Holding, kInversions, 4, U8, "Инверсия"},
    {Holding, kAmplitudes, 4, U8, "Амплитуда", 1},
    {Holding, kClock, 1, U32, "Дата/время"},
    {Holding, kSecondarySerial, 1, U32, "Серийный номер вторичника", 105123},
    {Holding, kPrimarySerial, 1, U32, "Серийный номер первичника", 230457},
    {Holding, kFrequencyConstants, 9, F32, "Константа преобразования для частоты", 1000},
    {Holding, kCurrentHighs, 9, F32, "Верхний уровень тока", 300},
    {Holding, kCalibCurrents, 8, F32, "Калибровочные токи"},
    {Holding, kCurrentLows, 9, F32, "Нижний уровень тока"},
    {Holding, kComparatorVoltages, 4, F32, "Напряжение компаратора", 2},
    {Holding, kZeroOffsets, 4, F32, "Смещение нуля"},
    {Holding, kCutoffs, 4, F32, "Отсечка в поверке"},
    {Holding, kMaxFrequencies, 9, F32, "Максимальная частота", 3000},
    {Input, kChannelCount, 1, U8, "Количество каналов"},
    {Input, kBeamCount, 1, U8, "Количество лучей"},
    {Input, kModeState, 1, U8, "Режим прибора"},
    {Input, kAutoCirculations, 4, U16, "Автоциркуляции ФЗ"},
    {Input, kFlows, 4, F32, "Расход"},
    {Input, kVolumes, 4, F32, "Объем"},
};

}  // namespace trelon::rig::fz
