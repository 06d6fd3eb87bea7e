#include "model_fixture.h"
#include "log_text.h"

#include <fstream>
#include <sstream>

namespace trelon::test {

ModelTest::ModelTest() {
    dir_ = std::filesystem::temp_directory_path() /
           ("model_" + std::to_string(::getpid()) + "_" +
            ::testing::UnitTest::GetInstance()->current_test_info()->name());
    std::filesystem::create_directories(dir_);
    std::ofstream(dir_ / "TrelonSrv.ini") << "[LogKeeper]\nKeepLog=1\n";
    log_ = std::make_unique<TLogKeeperScope>(
        TLogKeeperOptions{(dir_ / "TrelonSrv.ini").string(), (dir_ / "Logs").string(), {}});
    scope_ = std::make_unique<TServerFactoryScope>();
    Factory().RegisterTransportKind(kFakeTransportKind,
                                    [] { return std::make_shared<TFakeTransport>(); });
    Factory().RegisterMasterKind(kFakeMasterKind, [] { return std::make_shared<TFakeMaster>(); });
}

ModelTest::~ModelTest() {
    scope_.reset();
    log_.reset();
    std::filesystem::remove_all(dir_);
}

TVariant ModelTest::Props(const char* port, int speed, int kind) {
    return TVariant::Array(vtVariant, {TVariant(kind), TVariant(port), TVariant(speed)});
}

std::shared_ptr<TFakeTransport> ModelTest::Transport(const char* port, int speed) {
    int32_t id = Factory().GetTransport(Props(port, speed));
    return std::dynamic_pointer_cast<TFakeTransport>(Factory().FindTransport(id));
}

std::shared_ptr<TFakeMaster> ModelTest::Master() {
    int32_t id =
        Factory().CreateMaster(TVariant::Array(vtVariant, {TVariant(kFakeMasterKind)}), {});
    return std::dynamic_pointer_cast<TFakeMaster>(Factory().FindMaster(id));
}

TTransportTaskPtr ModelTest::Task(const TBaseTransport&, int32_t masterID, int32_t qid, int tries) {
    auto t = std::make_unique<TBaseTransportTask>();
    t->MasterID = masterID;
    t->QID = qid;
    t->TriesLeft = tries;
    t->DataLen = 2;
    t->Data[0] = uint8_t(qid);
    t->Data[1] = 0x55;
    return t;
}

std::string ModelTest::Log() {
    WaitLogWritten();
    return ReadLogFolder(dir_ / "Logs");
}

int ModelTest::Count(const std::string& text) {
    return CountOccurrences(Log(), text);
}

}  // namespace trelon::test
