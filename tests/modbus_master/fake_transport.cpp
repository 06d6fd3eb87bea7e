#include "fake_transport.h"

#include <algorithm>

namespace trelon::test {

bool TFakeTransport::AddTask(TTransportTaskPtr& task) {
    if (!bench_.AcceptsTask(*task)) return false;
    int32_t qid = task->QID;
    if (!TBaseTransport::AddTask(task)) return false;
    bench_.Queued(qid);
    return true;
}

bool TFakeTransport::ExchangeTask(TBaseTransportTask& task) {
    TBytes answer = bench_.Exchange(task, [this] {
        // Reset before looking, so the signal of a Terminate() that comes meanwhile stays.
        for (;;) {
            WorkEvent().Reset();
            if (Terminated()) return;
            WorkEvent().Wait();
        }
    });
    if (!task.NeedAnswer) return true;
    if (answer.empty()) return false;
    RxLen = int32_t(std::min(answer.size(), RxData.size()));
    std::copy_n(answer.begin(), RxLen, RxData.begin());
    return true;
}

}  // namespace trelon::test
