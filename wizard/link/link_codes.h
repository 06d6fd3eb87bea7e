// Result and data type codes of the server's Modbus object as the wizard uses them, and
// the texts the operator reads for result codes.
#pragma once

#include <QString>

namespace trelon::wizard {

enum TMBResult : int {
    mbcOK = 0,
    mbcNoAnswer = 1,
    mbcCheckSumError = 2,
    mbcERC = 3,
    mbcIFN = 4,
    mbcIDV = 5,
    mbcSDF = 6,
    mbcACK = 7,
    mbcSDB = 8,
    mbcNACK = 9,
    mbcMPE = 10,
    mbcIDA = 11,
    mbcWrongAddr = 12,
    mbcWrongFunNumber = 13,
    mbcUnknownError = 14,
    mbcWrongType = 15,
    mbcNotEnoughData = 16,
    mbcWrongFloat = 17,
};

enum TMBDataType : int {
    dtSignedWord = 2,
    dtSignedDoubleWord = 3,
    dtSingle = 4,
    dtSignedByte = 16,
    dtUnsignedByte = 17,
    dtUnsignedWord = 18,
    dtUnsignedDoubleWord = 19,
};

// The text shown in the status bar and the log for a result code.
QString ResultText(int result);

}  // namespace trelon::wizard
