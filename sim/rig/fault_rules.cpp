#include "fault_rules.h"

#include <cstdio>
#include <limits>
#include <sstream>

namespace trelon::rig {

bool Matches(const TFaultRule& rule, const TRequest& request) {
    if (rule.Function && *rule.Function != request.Function) return false;
    if (!rule.First) return true;
    if (!request.Area()) return false;  // a name request touches no register
    unsigned first = request.Start, last = request.Start + request.Count - 1u;
    return first <= rule.Last.value_or(*rule.First) && last >= *rule.First;
}

TFaultAction TFaultSet::Decide(const TRequest& request) {
    TFaultAction action;
    for (TState& state : rules_) {
        if (!Matches(state.Rule, request)) continue;
        if (++state.Seen <= state.Rule.After) continue;
        if (state.Rule.Times && state.Spoiled >= *state.Rule.Times) continue;
        ++state.Spoiled;
        const TFaultRule& rule = state.Rule;
        switch (rule.Kind) {
            case TFaultKind::Silent:
                action.Silent = true;
                break;
            case TFaultKind::Exception:
                if (!action.Exception) action.Exception = rule.Code;
                break;
            case TFaultKind::Slow:
                action.Delay += rule.Delay;
                break;
            case TFaultKind::Corrupt:
                action.CorruptOffset =
                    rule.Offset.value_or(std::numeric_limits<std::size_t>::max());
                action.CorruptMask = rule.Mask;
                break;
        }
    }
    return action;
}

std::vector<std::string> TFaultSet::Describe() const {
    std::vector<std::string> lines;
    for (const TState& state : rules_)
        lines.push_back(RuleText(state.Rule) + "  (spoiled " + std::to_string(state.Spoiled) +
                        " of " + std::to_string(state.Seen) + " matching)");
    return lines;
}

void Corrupt(TBytes& answer, const TFaultAction& action) {
    if (!action.CorruptOffset || answer.empty()) return;
    std::size_t at =
        *action.CorruptOffset < answer.size() ? *action.CorruptOffset : answer.size() - 1;
    answer[at] ^= action.CorruptMask;
}

std::string RuleText(const TFaultRule& rule) {
    std::ostringstream text;
    switch (rule.Kind) {
        case TFaultKind::Silent:
            text << "silent";
            break;
        case TFaultKind::Slow:
            text << "slow " << rule.Delay.count();
            break;
        case TFaultKind::Corrupt:
            text << "corrupt";
            if (rule.Offset) text << ' ' << *rule.Offset << ' ' << int{rule.Mask};
            break;
        case TFaultKind::Exception:
            text << "exception " << int{rule.Code};
            break;
    }
    if (rule.Function) text << " fn " << int{*rule.Function};
    if (rule.First) {
        char range[32];
        std::snprintf(range, sizeof range, " reg 0x%04X", *rule.First);
        text << range;
        if (rule.Last && *rule.Last != *rule.First) {
            std::snprintf(range, sizeof range, "-0x%04X", *rule.Last);
            text << range;
        }
    }
    if (rule.After) text << " after " << rule.After;
    if (rule.Times) text << " times " << *rule.Times;
    return text.str();
}

}  // namespace trelon::rig
