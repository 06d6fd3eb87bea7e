#include "core/byte_watcher.h"

#include <algorithm>

namespace trelon {

namespace {

char FoldAscii(char c) {
    return (c >= 'A' && c <= 'Z') ? char(c - 'A' + 'a') : c;
}

}  // namespace

void TByteWatcher::AddPattern(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(), FoldAscii);
    if (text.size() > window_.size()) window_.insert(0, text.size() - window_.size(), '\0');
    patterns_.push_back(std::move(text));
}

int32_t TByteWatcher::Feed(uint8_t b) {
    if (window_.empty()) return -1;  // no pattern, or only empty ones
    std::rotate(window_.begin(), window_.begin() + 1, window_.end());
    window_.back() = FoldAscii(char(b));
    if (seen_ < window_.size()) ++seen_;
    for (size_t i = 0; i < patterns_.size(); ++i) {
        const std::string& p = patterns_[i];
        if (!p.empty() && p.size() <= seen_ &&
            window_.compare(window_.size() - p.size(), p.size(), p) == 0) {
            return int32_t(i);
        }
    }
    return -1;
}

}  // namespace trelon
