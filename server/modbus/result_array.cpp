#include "result_array.h"

namespace trelon {

TVariant MakeResultArray(const TModbusRequest& request, const TVariant& value, MBResult result) {
    bool noExchange = result == mbcWrongType || result == mbcNoTransport;
    return TVariant::Array(
        vtVariant,
        {TVariant::OfInt(vtByte, uint8_t(request.RequestKind)), TVariant(request.QID),
         TVariant::OfInt(vtByte, request.DeviceAddress), TVariant::OfInt(vtByte, request.Function),
         result == mbcNoTransport ? TVariant::Null() : value,
         noExchange ? TVariant::OfInt(vtByte, result) : TVariant(int32_t(result))});
}

}  // namespace trelon
