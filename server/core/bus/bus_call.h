// One client call being served: its decoded arguments and its reply, given at once or
// later from any thread (a delayed reply), exactly once.
#pragma once

#include <QDBusConnection>
#include <QDBusMessage>
#include <QVariantList>
#include <atomic>
#include <memory>

#include "bus_interface.h"
#include "variant.h"

namespace trelon {

inline constexpr const char* kServerErrorName = "TrelonSrv.Error";

class TBusReply {
  public:
    TBusReply(QDBusConnection bus, QDBusMessage msg, QList<TBusArgSpec> outSpecs);
    // Each answers the call once; later answers are ignored. Safe from any thread.
    void Reply(const QVariantList& outs = {});
    void Fail(const QString& text);  // TrelonSrv.Error
    void Error(const QString& name, const QString& text);
    bool Answered() const { return answered_; }

  private:
    bool Claim();
    QDBusConnection bus_;
    QDBusMessage msg_;
    QList<TBusArgSpec> outSpecs_;
    std::atomic<bool> answered_{false};
};

class TBusCall {
  public:
    TBusCall(QDBusConnection bus, QDBusMessage msg, QVariantList args, QList<TBusArgSpec> outSpecs);

    const QDBusMessage& Message() const { return msg_; }
    QString Sender() const { return msg_.service(); }
    const QVariantList& Args() const { return args_; }
    int Int(int k) const { return args_.value(k).toInt(); }
    bool Bool(int k) const { return args_.value(k).toBool(); }
    QString Str(int k) const { return args_.value(k).toString(); }
    TVariant Value(int k) const { return args_.value(k).value<TVariant>(); }

    void Reply(const QVariantList& outs = {}) { reply_->Reply(outs); }
    void Fail(const QString& text) { reply_->Fail(text); }
    void Error(const QString& name, const QString& text) { reply_->Error(name, text); }
    // The handler answers later, through the returned handle.
    std::shared_ptr<TBusReply> Delay() {
        delayed_ = true;
        return reply_;
    }
    bool Delayed() const { return delayed_; }
    bool Answered() const { return reply_->Answered(); }

  private:
    QDBusMessage msg_;
    QVariantList args_;
    std::shared_ptr<TBusReply> reply_;
    bool delayed_ = false;
};

// Wraps an automation value for a reply or an event argument.
inline QVariant Wire(const TVariant& v) {
    return QVariant::fromValue(v);
}

}  // namespace trelon
