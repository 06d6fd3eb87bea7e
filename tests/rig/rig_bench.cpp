#include "rig_bench.h"

#include <bit>

namespace trelon::rig::test {

TRigBench::TRigBench() = default;

void TRigBench::Command(const std::string& line) {
    TCommandOutcome outcome = Service.With(Now, [&](TRig& rig) { return RunCommand(line, rig); });
    ASSERT_FALSE(outcome.Error) << line << ": " << outcome.Text;
}

std::optional<TBytes> TRigBench::Exchange(TBytes request) {
    AppendCrc(request);
    auto answer = Service.Serve(request, Now, Rig.Devices());
    if (!answer) return std::nullopt;
    return answer->Bytes;
}

int ExceptionOf(const TBytes& answer) {
    return answer.size() >= 3 && answer[1] & 0x80 ? answer[2] : 0;
}

std::vector<std::uint16_t> TRigBench::Read(std::uint8_t address, std::uint8_t function,
                                           std::uint16_t start, std::uint16_t count) {
    auto answer = Exchange({address, function, static_cast<std::uint8_t>(start >> 8),
                            static_cast<std::uint8_t>(start), static_cast<std::uint8_t>(count >> 8),
                            static_cast<std::uint8_t>(count)});
    std::vector<std::uint16_t> words;
    if (!answer || ExceptionOf(*answer) || answer->size() != 5u + 2 * count) {
        ADD_FAILURE() << "no register answer from " << int{address} << " at " << start;
        return words;
    }
    for (std::size_t i = 0; i < count; ++i)
        words.push_back(
            static_cast<std::uint16_t>((*answer)[3 + 2 * i] << 8 | (*answer)[4 + 2 * i]));
    return words;
}

std::uint32_t TRigBench::ReadU32(std::uint8_t address, std::uint8_t function, std::uint16_t start) {
    auto words = Read(address, function, start, 2);
    return words.size() == 2 ? std::uint32_t{words[0]} << 16 | words[1] : 0;
}

float TRigBench::ReadFloat(std::uint8_t address, std::uint8_t function, std::uint16_t start) {
    return std::bit_cast<float>(ReadU32(address, function, start));
}

std::uint16_t TRigBench::ReadWord(std::uint8_t address, std::uint8_t function,
                                  std::uint16_t start) {
    auto words = Read(address, function, start, 1);
    return words.empty() ? 0xFFFF : words[0];
}

namespace {

int Outcome(const std::optional<TBytes>& answer) {
    if (!answer) return -1;
    return ExceptionOf(*answer);
}

}  // namespace

int TRigBench::WriteWord(std::uint8_t address, std::uint16_t start, std::uint16_t value) {
    return Outcome(Exchange(
        {address, 6, static_cast<std::uint8_t>(start >> 8), static_cast<std::uint8_t>(start),
         static_cast<std::uint8_t>(value >> 8), static_cast<std::uint8_t>(value)}));
}

int TRigBench::WriteWords(std::uint8_t address, std::uint16_t start,
                          std::vector<std::uint16_t> values) {
    auto count = static_cast<std::uint16_t>(values.size());
    TBytes request{address,
                   16,
                   static_cast<std::uint8_t>(start >> 8),
                   static_cast<std::uint8_t>(start),
                   static_cast<std::uint8_t>(count >> 8),
                   static_cast<std::uint8_t>(count),
                   static_cast<std::uint8_t>(2 * count)};
    for (std::uint16_t value : values) {
        request.push_back(static_cast<std::uint8_t>(value >> 8));
        request.push_back(static_cast<std::uint8_t>(value));
    }
    return Outcome(Exchange(request));
}

int TRigBench::WriteU32(std::uint8_t address, std::uint16_t start, std::uint32_t value) {
    return WriteWords(address, start,
                      {static_cast<std::uint16_t>(value >> 16), static_cast<std::uint16_t>(value)});
}

int TRigBench::WriteFloat(std::uint8_t address, std::uint16_t start, float value) {
    return WriteU32(address, start, std::bit_cast<std::uint32_t>(value));
}

int TRigBench::WriteCoil(std::uint8_t address, std::uint16_t start, bool value) {
    return Outcome(Exchange({address, 5, static_cast<std::uint8_t>(start >> 8),
                             static_cast<std::uint8_t>(start),
                             value ? std::uint8_t{0xFF} : std::uint8_t{0}, 0}));
}

}  // namespace trelon::rig::test
