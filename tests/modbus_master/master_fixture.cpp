#include "master_fixture.h"

#include "fake_transport.h"
#include "mb_enums.h"
#include "modbus_master.h"

namespace trelon::test {

TVariant Arr(std::vector<TVariant> items) {
    return TVariant::Array(vtVariant, std::move(items));
}

TVariant MasterProps(int32_t retries, uint8_t address) {
    return Arr({0, int32_t(address), 0, 0, retries, false, false});
}

TVariant ReadRegs(int32_t qid, int32_t start, int32_t period, int32_t count, int32_t kind) {
    return Arr({kind, qid, period, start, int32_t(dtUnsignedWord), count});
}

TMasterTest::TMasterTest() {
    RegisterModbusMaster(Factory());
    Factory().RegisterTransportKind(kFakeTransportKind,
                                    [this] { return std::make_shared<TFakeTransport>(bench); });
}

TMasterTest::~TMasterTest() {
    bench.ReleaseAll();
}

std::shared_ptr<TBaseMaster> TMasterTest::NewMaster(int32_t retries, uint8_t address) {
    transportID_ = Factory().GetTransport(Arr({kFakeTransportKind}));
    int32_t id = Factory().CreateMaster(MasterProps(retries, address), bench.Handler());
    std::shared_ptr<TBaseMaster> master = Factory().FindMaster(id);
    master->SetTransportID(transportID_);
    return master;
}

}  // namespace trelon::test
