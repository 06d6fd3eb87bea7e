// A device's register map as a table, and the registers themselves. The values live in a
// libmodbus mapping, so that libmodbus answers the plain reads and writes; the device and
// its model read and write them here by type.
#pragma once

#include <cstdint>
#include <span>
#include <string>

#include "rtu_frame.h"

struct _modbus_mapping_t;

namespace trelon::rig {

// How an item sits in its registers: a byte in the low half of one register, a word, two
// registers high word first (a float keeps its IEEE bits that way), or one bit.
enum class TValueType { U8, U16, U32, F32, Bit };

unsigned RegistersOf(TValueType type);
const char* TypeName(TValueType type);

// `Items` values of one type from `Address` on, under one name.
struct TRegisterRow {
    TArea Area;
    std::uint16_t Address;
    std::uint16_t Items;
    TValueType Type;
    const char* Name;
    double Default = 0;
    std::uint16_t End() const {
        return static_cast<std::uint16_t>(Address + Items * RegistersOf(Type));
    }
};
using TRegisterMap = std::span<const TRegisterRow>;

class TRegisterBank {
  public:
    explicit TRegisterBank(TRegisterMap map);
    ~TRegisterBank();
    TRegisterBank(const TRegisterBank&) = delete;
    TRegisterBank& operator=(const TRegisterBank&) = delete;

    TRegisterMap Map() const { return map_; }
    // The row an address belongs to, or null.
    const TRegisterRow* RowAt(TArea area, std::uint16_t address) const;
    // Every register or bit of the range belongs to some row.
    bool Covers(TArea area, std::uint16_t start, std::uint16_t count) const;
    // The values of a write that the types of their registers do not allow (a byte register
    // takes 0 to 255): IllegalValue, else None.
    TException CheckTypes(const TRequest& request) const;
    // Every item back to the default of its row.
    void Reset();

    std::uint16_t Word(TArea area, std::uint16_t address) const;
    void SetWord(TArea area, std::uint16_t address, std::uint16_t value);
    std::uint32_t U32(TArea area, std::uint16_t address) const;
    void SetU32(TArea area, std::uint16_t address, std::uint32_t value);
    float F32(TArea area, std::uint16_t address) const;
    void SetF32(TArea area, std::uint16_t address, float value);
    bool Bit(TArea area, std::uint16_t address) const;
    void SetBit(TArea area, std::uint16_t address, bool value);
    // The item starting at the address, by the type of its row.
    double Get(TArea area, std::uint16_t address) const;
    void Set(TArea area, std::uint16_t address, double value);

    _modbus_mapping_t* Mapping() { return mapping_; }

  private:
    std::uint16_t* Registers(TArea area, std::uint16_t address) const;
    std::uint8_t* Bits(TArea area, std::uint16_t address) const;

    TRegisterMap map_;
    _modbus_mapping_t* mapping_;
};

// An item as a person reads it: integers in decimal, floats in the shortest form.
std::string ValueText(TValueType type, double value);

}  // namespace trelon::rig
