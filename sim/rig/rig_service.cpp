#include "rig_service.h"

#include "codepage.h"

namespace trelon::rig {

std::optional<TAnswer> TRigService::Serve(std::span<const std::uint8_t> frame, TModelTime now,
                                          std::span<TRigDevice* const> devices) {
    std::lock_guard lock(lock_);
    TParsed parsed = ParseRequest(frame);
    if (parsed.Request.Address == 0) {
        Broadcast(parsed, frame, now, devices);
        return std::nullopt;
    }
    TRigDevice* device = nullptr;
    for (TRigDevice* candidate : devices)
        if (candidate->Address() == parsed.Request.Address) device = candidate;
    if (!device) return std::nullopt;

    TFaultAction fault = device->Faults().Decide(parsed.Request);
    if (fault.Silent) return std::nullopt;
    rig_.Advance(now);
    TAnswer answer;
    answer.Bytes = fault.Exception
                       ? ExceptionAnswer(parsed.Request.Address, parsed.Request.Function,
                                         static_cast<TException>(*fault.Exception))
                       : Answer(*device, parsed, frame, now);
    Corrupt(answer.Bytes, fault);
    answer.Delay = fault.Delay;
    return answer;
}

TBytes TRigService::Answer(TRigDevice& device, const TParsed& parsed,
                           std::span<const std::uint8_t> frame, TModelTime now) {
    const TRequest& request = parsed.Request;
    auto refuse = [&](TException code) {
        return ExceptionAnswer(request.Address, request.Function, code);
    };
    if (parsed.Error != TException::None) return refuse(parsed.Error);
    if (request.Function == 17) return NameAnswer(request.Address, Utf8ToCp1251(device.Name()));
    if (!device.Bank().Covers(*request.Area(), request.Start, request.Count))
        return refuse(TException::IllegalAddress);
    if (request.IsWrite())
        if (TException refused = device.CheckWrite(request); refused != TException::None)
            return refuse(refused);
    device.Publish(now);
    TBytes bytes = replier_.Reply(frame, device.Bank().Mapping());
    if (request.IsWrite()) {
        device.AfterWrite(request, now);
        rig_.Couple();
    }
    return bytes;
}

// A write to address 0 reaches every device on the line; none answers.
void TRigService::Broadcast(const TParsed& parsed, std::span<const std::uint8_t> frame,
                            TModelTime now, std::span<TRigDevice* const> devices) {
    const TRequest& request = parsed.Request;
    if (parsed.Error != TException::None || !request.IsWrite()) return;
    rig_.Advance(now);
    for (TRigDevice* device : devices) {
        if (!device->Bank().Covers(*request.Area(), request.Start, request.Count) ||
            device->CheckWrite(request) != TException::None)
            continue;
        device->Publish(now);
        replier_.Reply(frame, device->Bank().Mapping());
        device->AfterWrite(request, now);
    }
    rig_.Couple();
}

}  // namespace trelon::rig
