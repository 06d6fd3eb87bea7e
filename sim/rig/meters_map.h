// The register maps of the current meter and the pulse counter.
#pragma once

#include <cstdint>

#include "register_bank.h"

namespace trelon::rig::ipt {

constexpr std::uint16_t kCurrents = 0xC000;  // input registers: 4 channels, mA

inline constexpr TRegisterRow kMap[] = {
    {TArea::Input, kCurrents, 4, TValueType::F32, "Измеренные токи ИПТ"},
};

}  // namespace trelon::rig::ipt

namespace trelon::rig::usi {

constexpr std::uint16_t kCounts = 0x8000;  // input registers: 4 inputs
constexpr std::uint16_t kInputStates = 0;  // coils: true passive, false active
constexpr std::uint16_t kReset = 3;        // holding: input 1..4, or 5 for all

inline constexpr TRegisterRow kMap[] = {
    {TArea::Input, kCounts, 4, TValueType::U32, "Измеренные импульсы УСИ"},
    {TArea::Coils, kInputStates, 4, TValueType::Bit, "Состояние входов УСИ"},
    {TArea::Holding, kReset, 1, TValueType::U8, "Сброс накопленных импульсов"},
};

}  // namespace trelon::rig::usi
