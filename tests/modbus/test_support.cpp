#include "test_support.h"

#include <array>
#include <cstdio>

#include "checksum.h"
#include "request_frame.h"

namespace trelon::test {

TVariant Arr(std::vector<TVariant> items) {
    return TVariant::Array(vtVariant, std::move(items));
}

TVariant Typed(TVarType type, int64_t v) {
    return TVariant::OfInt(type, v);
}

TModbusSettings Settings(uint8_t address, uint8_t mode, bool adjustToWord,
                         bool optimalUseFunction) {
    TModbusSettings s;
    s.DefaultAddress = address;
    s.Mode = mode;
    s.AdjustToWord = adjustToWord;
    s.OptimalUseFunction = optimalUseFunction;
    return s;
}

TModbusRequest Request(std::vector<TVariant> array, const TModbusSettings& s) {
    return ReadRequest(Arr(std::move(array)), s);
}

TBytes WithCrc(TBytes pdu) {
    uint16_t crc = Crc16(pdu);
    pdu.push_back(uint8_t(crc));
    pdu.push_back(uint8_t(crc >> 8));
    return pdu;
}

TBytes AsAscii(const TBytes& pdu) {
    std::string text = ":";
    uint8_t sum = 0;
    char hex[3];
    for (uint8_t b : pdu) {
        std::snprintf(hex, sizeof hex, "%02X", b);
        text += hex;
        sum = uint8_t(sum + b);
    }
    std::snprintf(hex, sizeof hex, "%02X", uint8_t(-sum));
    return Text(text + hex + "\r\n");
}

TBytes Text(const std::string& s) {
    return TBytes(s.begin(), s.end());
}

TBytes Frame(const TModbusRequest& request) {
    std::array<uint8_t, kFrameCapacity> buffer{};
    size_t n = BuildFrame(request, buffer);
    return TBytes(buffer.begin(), buffer.begin() + n);
}

TChecked Check(const TModbusRequest& request, const TBytes& answer) {
    TChecked c{mbcOK, {}};
    c.Result = CheckAnswer(request, answer, c.Value);
    return c;
}

}  // namespace trelon::test
