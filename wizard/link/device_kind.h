// Identification of a device by the version in its name answer, and the texts of the
// device table.
#pragma once

#include <QString>

namespace trelon::wizard {

enum TDeviceKind : int {
    dkUnknown = 0,
    dkImr = 1,  // flow simulator
    dkIpt = 2,  // current meter
    dkUsi = 3,  // pulse counter
    dkFlowmeter = 4,
};
inline constexpr int kDeviceKindCount = 5;

// Limits of the table's texts, in characters.
inline constexpr int kTypeNameLength = 15;
inline constexpr int kAnswerLength = 20;

// "???", "ЗРТ-ИМР", "ЗРТ-ИПТ", "ЗРТ-УСИ", "Расходомер"; "???" for a code out of range.
QString KindName(int kind);

// The kind told by the last version pattern "G1.G2.G3.G4" (two decimal digits each) in
// the answer that has at least one character after it: 76 is a flowmeter; 64 with 8, 10
// or 9 is the flow simulator, the current meter or the pulse counter; anything else is
// unknown.
TDeviceKind IdentifyKind(const QString& answer);

// The text up to its first NUL character.
QString CutAtNul(const QString& text);
// At most count characters (a character outside the basic plane is never split).
QString LeftChars(const QString& text, int count);

// The kind's name, a blank and the address, cut to the limit: "ЗРТ-ИМР 3".
QString DeviceTypeName(int kind, int address);

}  // namespace trelon::wizard
