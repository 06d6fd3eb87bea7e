// The serial character format of a Modbus exchange: data bits by mode, parity and stop
// bits by the master's parity setting, through a process-wide table of parity words.
#pragma once

#include <cstdint>

namespace trelon {

// Data bits code (3 in RTU, 2 in ASCII) or'ed with the parity word of the parity setting
// (0 none: two stop bits; 1 odd, 2 even: one stop bit). Settings outside 0 to 2 count as none.
int32_t LineFormat(uint8_t mode, uint8_t parity);

// With "TenBitsForAll" every parity word is 0: no parity and one stop bit for every
// exchange. Set once at server start-up; the default is on.
void SetTenBitsForAll(bool on);
bool TenBitsForAll();

}  // namespace trelon
