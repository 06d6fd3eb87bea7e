#include "bus_call.h"

#include "bus/wire_value.h"
#include "bus_codec.h"

namespace trelon {

TBusReply::TBusReply(QDBusConnection bus, QDBusMessage msg, QList<TBusArgSpec> outSpecs)
    : bus_(std::move(bus)), msg_(std::move(msg)), outSpecs_(std::move(outSpecs)) {}

bool TBusReply::Claim() {
    bool expected = false;
    return answered_.compare_exchange_strong(expected, true);
}

void TBusReply::Reply(const QVariantList& outs) {
    if (!Claim()) return;
    if (msg_.isReplyRequired()) bus_.send(msg_.createReply(EncodeBusArgs(outs, outSpecs_)));
}

void TBusReply::Fail(const QString& text) {
    Error(QLatin1String(kServerErrorName), text);
}

void TBusReply::Error(const QString& name, const QString& text) {
    if (!Claim()) return;
    if (msg_.isReplyRequired()) bus_.send(msg_.createErrorReply(name, text));
}

TBusCall::TBusCall(QDBusConnection bus, QDBusMessage msg, QVariantList args,
                   QList<TBusArgSpec> outSpecs)
    : msg_(msg),
      args_(std::move(args)),
      reply_(std::make_shared<TBusReply>(std::move(bus), std::move(msg), std::move(outSpecs))) {}

}  // namespace trelon
