#include "bus_codec.h"

#include <QDBusArgument>
#include <QDBusObjectPath>

#include "bus/wire_value.h"

namespace trelon {

namespace {

QMetaType BasicType(const QString& sig) {
    if (sig.size() != 1) return QMetaType();
    switch (sig[0].toLatin1()) {
        case 'y':
            return QMetaType::fromType<uchar>();
        case 'b':
            return QMetaType::fromType<bool>();
        case 'n':
            return QMetaType::fromType<short>();
        case 'q':
            return QMetaType::fromType<ushort>();
        case 'i':
            return QMetaType::fromType<int>();
        case 'u':
            return QMetaType::fromType<uint>();
        case 'x':
            return QMetaType::fromType<qlonglong>();
        case 't':
            return QMetaType::fromType<qulonglong>();
        case 'd':
            return QMetaType::fromType<double>();
        case 's':
            return QMetaType::fromType<QString>();
        case 'o':
            return QMetaType::fromType<QDBusObjectPath>();
        default:
            return QMetaType();
    }
}

}  // namespace

bool DecodeBusArg(const QVariant& in, const QString& signature, QVariant& out, QString* error) {
    if (signature == QLatin1String(kWireSignature)) {
        if (in.metaType() != QMetaType::fromType<QDBusArgument>()) {
            if (error) *error = QStringLiteral("expected an automation value (qv)");
            return false;
        }
        TVariant v;
        if (!DecodeWire(in.value<QDBusArgument>(), v, error)) return false;
        out = QVariant::fromValue(v);
        return true;
    }
    QMetaType t = BasicType(signature);
    if (!t.isValid() || in.metaType() != t) {
        if (error) *error = QStringLiteral("expected a value of D-Bus type %1").arg(signature);
        return false;
    }
    out = in;
    return true;
}

bool DecodeBusArgs(const QVariantList& in, const QList<TBusArgSpec>& specs, QVariantList& out,
                   QString* error) {
    if (in.size() != specs.size()) {
        if (error) *error = QStringLiteral("expected %1 arguments").arg(specs.size());
        return false;
    }
    out.clear();
    for (int k = 0; k < specs.size(); ++k) {
        QVariant v;
        if (!DecodeBusArg(in[k], specs[k].Signature, v, error)) {
            if (error)
                *error = QStringLiteral("argument %1 (%2): %3").arg(k).arg(specs[k].Name, *error);
            return false;
        }
        out.append(v);
    }
    return true;
}

QVariant EncodeBusArg(const QVariant& value, const QString& signature) {
    if (signature == QLatin1String(kWireSignature)) {
        TVariant v = value.metaType() == QMetaType::fromType<TVariant>() ? value.value<TVariant>()
                                                                         : TVariant();
        return QVariant::fromValue(ToWire(v));
    }
    if (signature == QLatin1String("o")) {
        if (value.metaType() == QMetaType::fromType<QDBusObjectPath>()) return value;
        return QVariant::fromValue(QDBusObjectPath(value.toString()));
    }
    QMetaType t = BasicType(signature);
    QVariant r = value;
    if (t.isValid() && r.metaType() != t) r.convert(t);
    return r;
}

QVariantList EncodeBusArgs(const QVariantList& values, const QList<TBusArgSpec>& specs) {
    QVariantList out;
    for (int k = 0; k < specs.size(); ++k)
        out.append(EncodeBusArg(k < values.size() ? values[k] : QVariant(), specs[k].Signature));
    return out;
}

}  // namespace trelon
