// Faults of one device, free of I/O: each rule names the requests it spoils (by function,
// registers, and how many to let through first or to spoil at most) and what becomes of
// them: no answer, a late answer, a changed byte, or an exception answer.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "rtu_frame.h"

namespace trelon::rig {

enum class TFaultKind { Silent, Slow, Corrupt, Exception };

struct TFaultRule {
    TFaultKind Kind = TFaultKind::Silent;
    // Which requests: all, or those of a function and/or touching a register range.
    std::optional<std::uint8_t> Function;
    std::optional<std::uint16_t> First, Last;  // registers or bits, inclusive
    unsigned After = 0;                        // matching requests let through before it acts
    std::optional<unsigned> Times;             // matching requests it spoils at most; empty: all
    std::chrono::milliseconds Delay{0};        // Slow
    std::optional<std::size_t> Offset;         // Corrupt: byte of the answer; empty: the last
    std::uint8_t Mask = 0xFF;                  // Corrupt: XORed into that byte
    std::uint8_t Code = 4;                     // Exception: the exception code
};

// What to do with one request.
struct TFaultAction {
    bool Silent = false;
    std::optional<std::uint8_t> Exception;
    std::chrono::milliseconds Delay{0};
    std::optional<std::size_t> CorruptOffset;  // set: corrupt; SIZE_MAX: the last byte
    std::uint8_t CorruptMask = 0;
    bool Any() const { return Silent || Exception || Delay.count() > 0 || CorruptOffset; }
};

class TFaultSet {
  public:
    void Add(const TFaultRule& rule) { rules_.push_back({rule, 0, 0}); }
    void Clear() { rules_.clear(); }
    bool Empty() const { return rules_.empty(); }
    // Counts the request against every rule that names it and says what to do with it.
    TFaultAction Decide(const TRequest& request);
    // One line per rule, in the command form that makes it.
    std::vector<std::string> Describe() const;

  private:
    struct TState {
        TFaultRule Rule;
        unsigned Seen = 0;
        unsigned Spoiled = 0;
    };
    std::vector<TState> rules_;
};

bool Matches(const TFaultRule& rule, const TRequest& request);
// Applies the byte change of an action to an answer frame.
void Corrupt(TBytes& answer, const TFaultAction& action);
std::string RuleText(const TFaultRule& rule);

}  // namespace trelon::rig
