// The Modbus answer check: a request of any kind and data type is derived from the first
// bytes and its frame built; the rest is checked as the device's answer, either as it
// stands or wrapped by the target in a correct RTU or ASCII envelope (optionally behind
// the request's own address and function) so that the decoding past the checksum is reached.
#include <array>
#include <cstdint>
#include <span>

#include "answer_check.h"
#include "expect.h"
#include "frame_backend.h"
#include "fuzz_input.h"
#include "modbus_request.h"
#include "request_frame.h"
#include "request_maker.h"

using namespace trelon;
using fuzz::Expect;

namespace {

enum TEnvelope : uint8_t { eRaw, eWrapped, eWrappedWithHeader };

// The request's own frame is built within the buffer and its envelope checks out.
void CheckRequestFrame(const TModbusRequest& request) {
    std::array<uint8_t, kFrameCapacity> frame, scratch;
    size_t length = 0;
    try {
        length = BuildFrame(request, frame);
    } catch (const EFrameError&) {
        return;  // too long for the buffer: the master reports it, nothing is sent
    }
    Expect(length <= frame.size(), "a frame longer than its buffer");
    TFrameBuffer pdu(scratch);
    Expect(FrameBackend(request.Mode).Unwrap(std::span(frame).first(length), pdu) == mbcOK,
           "a request frame whose own envelope does not check out");
    Expect(pdu.Size() >= 2 && pdu.Bytes()[0] == request.DeviceAddress &&
               pdu.Bytes()[1] == request.Function,
           "a request frame with another address or function");
}

// The answer as a device in the request's mode would frame it.
size_t Wrap(const TModbusRequest& request, TEnvelope envelope, std::span<const uint8_t> pdu,
            std::span<uint8_t> out) {
    const TFrameBackend& backend = FrameBackend(request.Mode);
    TFrameBuffer frame(out);
    backend.Begin(frame);
    if (envelope == eWrappedWithHeader) {
        backend.PutByte(frame, request.DeviceAddress);
        backend.PutByte(frame, request.Function);
    }
    for (uint8_t b : pdu.first(std::min(pdu.size(), kFrameCapacity - 2))) backend.PutByte(frame, b);
    backend.Finish(frame);
    return frame.Size();
}

void CheckResult(const TModbusRequest& request, MBResult result, const TVariant& value) {
    Expect(result >= mbcOK && result <= mbcArchiveTimeMismatch && result != mbcERC &&
               result != mbcWrongType && result != mbcNoTransport,
           "a result no answer check gives");
    if (result != mbcOK) Expect(value.IsEmpty(), "a value beside a failed result");
    if (!request.ExpectsAnswer())
        Expect(result == mbcOK && value.IsEmpty(), "a broadcast that was not taken as done");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzz::TFuzzInput in(std::span(data, size));
    fuzz::TFuzzRequest made = fuzz::MakeRequest(in);
    auto envelope = TEnvelope(in.Byte() % 3);
    TModbusRequest request = ReadRequest(made.Array, made.Settings);
    if (request.Invalid) return 0;  // refused before anything is sent
    CheckRequestFrame(request);

    // Room for a full ASCII frame of a PDU that fills the buffer.
    std::array<uint8_t, 2 * kFrameCapacity + 8> wrapped;
    std::span<const uint8_t> answer = in.Rest();
    if (envelope != eRaw)
        answer = std::span(wrapped).first(Wrap(request, envelope, answer, wrapped));
    TVariant value;
    CheckResult(request, CheckAnswer(request, answer, value), value);
    return 0;
}
