// Modbus enumerations shared by the frames, the master and the automation object:
// result codes, register data types, framing modes and request kinds.
#pragma once

#include <cstddef>
#include <cstdint>

namespace trelon {

// Every exchange ends with one of these codes.
enum MBResult : int32_t {
    mbcOK = 0,
    mbcNoAnswer = 1,
    mbcCheckSumError = 2,
    mbcERC = 3,
    mbcIFN = 4,
    mbcIDA = 11,
    mbcIDV = 5,
    mbcSDF = 6,
    mbcACK = 7,
    mbcSDB = 8,
    mbcNACK = 9,
    mbcMPE = 10,
    mbcWrongAddr = 12,
    mbcWrongFunNumber = 13,
    mbcUnknownError = 14,
    mbcWrongType = 15,
    mbcNotEnoughData = 16,
    mbcWrongFloat = 17,
};

// Codes the server reports beyond the client enumeration.
// The master's transport no longer exists; the request was dropped unsent.
inline constexpr MBResult mbcNoTransport = MBResult(18);
// A time-checked archive record carries another time than the one requested.
inline constexpr MBResult mbcArchiveTimeMismatch = MBResult(19);

// Register data types; each code is also the automation type code of its values.
enum MBDataType : int32_t {
    dtSignedByte = 16,
    dtUnsignedByte = 17,
    dtSignedWord = 2,
    dtUnsignedWord = 18,
    dtSignedDoubleWord = 3,
    dtUnsignedDoubleWord = 19,
    dtSingle = 4,
    dtOneByte = 20,
    dtThreeByte = 21,
};

enum MBMode : int32_t { mbcRTU = 0, mbcASCII = 1 };

// Parity as the client names it; the master keeps its own coding (TMasterParity).
enum MBParity : int32_t { mbcEven = 0, mbcOdd = 1, mbcNo = 2 };

// Parity as the master keeps it in its settings and requests.
enum TMasterParity : uint8_t { mpNone = 0, mpOdd = 1, mpEven = 2 };

// Element 0 of a request array.
enum class TRequestKind : uint8_t {
    Exchange = 0,
    GetDeviceName = 1,
    ReadHoldRegs = 2,
    WriteHoldRegs = 3,
    ReadInputRegs = 4,
    ReadHoldBins = 5,
    WriteHoldBins = 6,
    ReadInputBins = 7,
    ReadTimeArch = 8,
    ReadIndexArch = 9,
    ReadStatus = 10,
    Diagnostics = 11,
    ReadTimeArchMatched = 12,
};

// Size of the buffer a frame is built in and an answer arrives in.
inline constexpr size_t kFrameCapacity = 600;

}  // namespace trelon
