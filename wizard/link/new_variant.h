// Values written to devices: a variant whose type code is the register format's data type
// code, built from any number.
#pragma once

#include <optional>

#include "variant.h"

namespace trelon::wizard {

// Codes 2 and 18 give a signed and an unsigned 16-bit value, 3 and 19 a signed and an
// unsigned 32-bit value, 16 and 17 a signed and an unsigned byte, 4 a single, 5 a double
// and 11 a boolean (any value but 0 is true). Integers are rounded to the nearest (halves
// to even). Nothing for an unknown code, a value that is not finite, or one that does not
// fit the type: such a value is never sent cut or with its sign changed.
std::optional<TVariant> NewVariant(double value, int typeCode);

}  // namespace trelon::wizard
