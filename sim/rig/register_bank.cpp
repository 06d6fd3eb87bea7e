#include "register_bank.h"

#include <modbus.h>

#include <algorithm>
#include <bit>
#include <cmath>
#include <limits>
#include <sstream>
#include <stdexcept>

namespace trelon::rig {

namespace {

bool IsBitArea(TArea area) {
    return area == TArea::Coils || area == TArea::DiscreteInputs;
}

// First address and number of addresses of an area over all rows of the map.
struct TSpan {
    int Start = 0;
    int Count = 0;
};

TSpan SpanOf(TRegisterMap map, TArea area) {
    int first = std::numeric_limits<int>::max(), end = 0;
    for (const TRegisterRow& row : map)
        if (row.Area == area) {
            first = std::min<int>(first, row.Address);
            end = std::max<int>(end, row.End());
        }
    return end == 0 ? TSpan{} : TSpan{first, end - first};
}

}  // namespace

unsigned RegistersOf(TValueType type) {
    return type == TValueType::U32 || type == TValueType::F32 ? 2 : 1;
}

const char* TypeName(TValueType type) {
    switch (type) {
        case TValueType::U8:
            return "u8";
        case TValueType::U16:
            return "u16";
        case TValueType::U32:
            return "u32";
        case TValueType::F32:
            return "float";
        case TValueType::Bit:
            return "bit";
    }
    return "?";
}

TRegisterBank::TRegisterBank(TRegisterMap map) : map_(map) {
    TSpan coils = SpanOf(map, TArea::Coils), inputs = SpanOf(map, TArea::DiscreteInputs),
          holding = SpanOf(map, TArea::Holding), input = SpanOf(map, TArea::Input);
    mapping_ =
        modbus_mapping_new_start_address(coils.Start, coils.Count, inputs.Start, inputs.Count,
                                         holding.Start, holding.Count, input.Start, input.Count);
    if (!mapping_) throw std::runtime_error("no memory for a register map");
    Reset();
}

TRegisterBank::~TRegisterBank() {
    modbus_mapping_free(mapping_);
}

const TRegisterRow* TRegisterBank::RowAt(TArea area, std::uint16_t address) const {
    for (const TRegisterRow& row : map_)
        if (row.Area == area && address >= row.Address && address < row.End()) return &row;
    return nullptr;
}

bool TRegisterBank::Covers(TArea area, std::uint16_t start, std::uint16_t count) const {
    for (std::uint32_t address = start; address < std::uint32_t{start} + count;) {
        const TRegisterRow* row = RowAt(area, static_cast<std::uint16_t>(address));
        if (!row) return false;
        address = row->End();
    }
    return true;
}

TException TRegisterBank::CheckTypes(const TRequest& request) const {
    auto area = request.Area();
    if (!area || IsBitArea(*area)) return TException::None;
    for (std::size_t i = 0; i < request.Values.size(); ++i) {
        const TRegisterRow* row = RowAt(*area, static_cast<std::uint16_t>(request.Start + i));
        if (row && row->Type == TValueType::U8 && request.Values[i] > 0xFF)
            return TException::IllegalValue;
    }
    return TException::None;
}

void TRegisterBank::Reset() {
    for (const TRegisterRow& row : map_)
        for (unsigned i = 0; i < row.Items; ++i)
            Set(row.Area, static_cast<std::uint16_t>(row.Address + i * RegistersOf(row.Type)),
                row.Default);
}

std::uint16_t* TRegisterBank::Registers(TArea area, std::uint16_t address) const {
    if (area == TArea::Holding)
        return mapping_->tab_registers + (address - mapping_->start_registers);
    return mapping_->tab_input_registers + (address - mapping_->start_input_registers);
}

std::uint8_t* TRegisterBank::Bits(TArea area, std::uint16_t address) const {
    if (area == TArea::Coils) return mapping_->tab_bits + (address - mapping_->start_bits);
    return mapping_->tab_input_bits + (address - mapping_->start_input_bits);
}

std::uint16_t TRegisterBank::Word(TArea area, std::uint16_t address) const {
    return IsBitArea(area) ? *Bits(area, address) : *Registers(area, address);
}

void TRegisterBank::SetWord(TArea area, std::uint16_t address, std::uint16_t value) {
    if (IsBitArea(area))
        *Bits(area, address) = value != 0;
    else
        *Registers(area, address) = value;
}

std::uint32_t TRegisterBank::U32(TArea area, std::uint16_t address) const {
    return std::uint32_t{Word(area, address)} << 16 | Word(area, address + 1);
}

void TRegisterBank::SetU32(TArea area, std::uint16_t address, std::uint32_t value) {
    SetWord(area, address, static_cast<std::uint16_t>(value >> 16));
    SetWord(area, address + 1, static_cast<std::uint16_t>(value & 0xFFFF));
}

float TRegisterBank::F32(TArea area, std::uint16_t address) const {
    return std::bit_cast<float>(U32(area, address));
}

void TRegisterBank::SetF32(TArea area, std::uint16_t address, float value) {
    SetU32(area, address, std::bit_cast<std::uint32_t>(value));
}

bool TRegisterBank::Bit(TArea area, std::uint16_t address) const {
    return Word(area, address);
}

void TRegisterBank::SetBit(TArea area, std::uint16_t address, bool value) {
    SetWord(area, address, value);
}

double TRegisterBank::Get(TArea area, std::uint16_t address) const {
    const TRegisterRow* row = RowAt(area, address);
    switch (row ? row->Type : TValueType::U16) {
        case TValueType::U32:
            return U32(area, address);
        case TValueType::F32:
            return F32(area, address);
        default:
            return Word(area, address);
    }
}

void TRegisterBank::Set(TArea area, std::uint16_t address, double value) {
    const TRegisterRow* row = RowAt(area, address);
    switch (row ? row->Type : TValueType::U16) {
        case TValueType::U32:
            SetU32(area, address, static_cast<std::uint32_t>(std::llround(value)));
            break;
        case TValueType::F32:
            SetF32(area, address, static_cast<float>(value));
            break;
        case TValueType::U8:
            SetWord(area, address, static_cast<std::uint16_t>(std::lround(value) & 0xFF));
            break;
        default:
            SetWord(area, address, static_cast<std::uint16_t>(std::lround(value)));
            break;
    }
}

std::string ValueText(TValueType type, double value) {
    std::ostringstream text;
    if (type == TValueType::F32)
        text << static_cast<float>(value);
    else
        text << static_cast<long long>(value);
    return text.str();
}

}  // namespace trelon::rig
