#include "mb_client.h"

#include "private_bus.h"

namespace trelon::test {

namespace {
const QString kIface = QStringLiteral("TrelonSrv.IMBComMaster");
const QString kEvents = QStringLiteral("TrelonSrv.IMBComMasterEvents");
}  // namespace

TMBClient::TMBClient(QDBusConnection bus) : obj_(bus) {
    obj_.Create(QStringLiteral("TrelonSrv.MBComMaster"));
    obj_.ConnectEvent(kEvents, QStringLiteral("OnExchange"), this,
                      SLOT(OnExchange(int, int, int, trelon::TVariant, int)));
    obj_.ConnectEvent(kEvents, QStringLiteral("OnChangeConnected"), this,
                      SLOT(OnChangeConnected(bool)));
}

void TMBClient::Set(const char* property, const QVariant& value) {
    obj_.SetProperty(kIface, property, value);
}

QVariant TMBClient::Get(const char* property) {
    return obj_.Property(kIface, property);
}

void TMBClient::Call(const char* method, const QVariantList& args) {
    obj_.Call(kIface, method, args);
}

std::optional<TExchange> TMBClient::Next(int qid, int timeoutMs) {
    std::optional<TExchange> found;
    WaitUntil(
        [&] {
            for (auto it = Exchanges.begin(); it != Exchanges.end(); ++it)
                if (it->QID == qid) {
                    found = *it;
                    Exchanges.erase(it);
                    return true;
                }
            return false;
        },
        timeoutMs);
    return found;
}

void TMBClient::OnExchange(int qid, int address, int function, trelon::TVariant value, int result) {
    Exchanges.push_back({qid, address, function, value, result});
}

void TMBClient::OnChangeConnected(bool connected) {
    ConnectedEvents.push_back(connected);
}

}  // namespace trelon::test
