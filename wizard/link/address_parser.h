// The search addresses the operator types on a port page: single addresses and ranges
// separated by commas, "1,2,5-7".
#pragma once

#include <QString>
#include <vector>

namespace trelon::wizard {

inline constexpr int kMinDeviceAddress = 1;
inline constexpr int kMaxDeviceAddress = 247;

struct TAddressList {
    bool Ok = true;              // false on a syntax error: nothing is to be sent
    std::vector<int> Addresses;  // in the order written; a range whose end is below its
                                 // start adds nothing
};

// Blanks around the text are ignored, blanks inside it are errors. Every number must be a
// Modbus device address (1 to 247) and a range must be followed by a comma or the end.
TAddressList ParseAddresses(const QString& text);

}  // namespace trelon::wizard
