#include "array_reader.h"

namespace trelon {

const TVariant& TArrayReader::At(int32_t index) const {
    Require(array_.IsArray() && array_.Dims() == 1);
    Require(index >= array_.LowBound() && index <= array_.HighBound());
    return array_[index];
}

int64_t TArrayReader::ToInt64(const TVariant& v) {
    try {
        return v.ToInt64();
    } catch (const EVariantError&) {
        throw EUnusableArray();
    }
}

int64_t TArrayReader::Int(int32_t index, int64_t low, int64_t high) const {
    int64_t v = ToInt64(At(index));
    Require(v >= low && v <= high);
    return v;
}

double TArrayReader::Real(int32_t index) const {
    try {
        return At(index).ToDouble();
    } catch (const EVariantError&) {
        throw EUnusableArray();
    }
}

bool TArrayReader::Bool(int32_t index) const {
    try {
        return At(index).ToBool();
    } catch (const EVariantError&) {
        throw EUnusableArray();
    }
}

}  // namespace trelon
