#include "log/log_records.h"

#include <algorithm>

namespace trelon {

std::unique_ptr<TTransportDataLogTask> MakeTransportDataRecord(double time, int32_t transportID,
                                                               int32_t direction, bool success,
                                                               std::span<const uint8_t> bytes) {
    auto record = std::make_unique<TTransportDataLogTask>();
    record->Time = time;
    record->TransportID = transportID;
    record->Direction = direction;
    record->Success = success;
    if (success) {
        size_t n = std::min(bytes.size(), kLogDataCapacity);
        std::copy_n(bytes.begin(), n, record->Data.begin());
        record->Count = uint32_t(n);
    }
    return record;
}

}  // namespace trelon
