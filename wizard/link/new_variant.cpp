#include "new_variant.h"

#include <cfenv>
#include <cmath>
#include <limits>

namespace trelon::wizard {

namespace {

struct TIntRange {
    TVarType Type;
    double Low, High;
};

std::optional<TIntRange> IntRange(int code) {
    switch (code) {
        case vtSmallint:
            return TIntRange{vtSmallint, -32768.0, 32767.0};
        case vtWord:
            return TIntRange{vtWord, 0.0, 65535.0};
        case vtInteger:
            return TIntRange{vtInteger, -2147483648.0, 2147483647.0};
        case vtLongWord:
            return TIntRange{vtLongWord, 0.0, 4294967295.0};
        case vtShortInt:
            return TIntRange{vtShortInt, -128.0, 127.0};
        case vtByte:
            return TIntRange{vtByte, 0.0, 255.0};
        default:
            return std::nullopt;
    }
}

}  // namespace

std::optional<TVariant> NewVariant(double value, int typeCode) {
    if (!std::isfinite(value)) return std::nullopt;
    switch (typeCode) {
        case vtSingle:
            if (std::fabs(value) > double(std::numeric_limits<float>::max())) return std::nullopt;
            return TVariant::Single(float(value));
        case vtDouble:
            return TVariant::Double(value);
        case vtBoolean:
            return TVariant(value != 0.0);
        default:
            break;
    }
    std::optional<TIntRange> range = IntRange(typeCode);
    if (!range) return std::nullopt;
    const int oldMode = std::fegetround();
    std::fesetround(FE_TONEAREST);
    const double rounded = std::nearbyint(value);
    std::fesetround(oldMode);
    if (rounded < range->Low || rounded > range->High) return std::nullopt;
    if (range->Low < 0) return TVariant::OfInt(range->Type, int64_t(rounded));
    return TVariant::OfUInt(range->Type, uint64_t(rounded));
}

}  // namespace trelon::wizard
