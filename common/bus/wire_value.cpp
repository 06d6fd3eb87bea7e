#include "wire_value.h"

#include <QDBusMetaType>
#include <QDBusVariant>
#include <QDebug>
#include <QVariant>

namespace trelon {

namespace {

constexpr int kMaxNesting = 16;  // arrays of values holding arrays, at most this deep

struct TWireBound {
    int32_t Low = 0;
    int32_t Count = 0;
};

QDBusArgument& operator<<(QDBusArgument& arg, const TWireBound& b) {
    arg.beginStructure();
    arg << b.Low << b.Count;
    arg.endStructure();
    return arg;
}

const QDBusArgument& operator>>(const QDBusArgument& arg, TWireBound& b) {
    arg.beginStructure();
    arg >> b.Low >> b.Count;
    arg.endStructure();
    return arg;
}

}  // namespace
}  // namespace trelon

Q_DECLARE_METATYPE(trelon::TWireBound)

namespace trelon {

namespace {

QVariant ScalarPayload(const TVariant& v) {
    switch (v.Type()) {
        case vtEmpty:
        case vtNull:
            return QVariant(false);
        case vtSmallint:
        case vtShortInt:
            return QVariant::fromValue(short(v.RawInt()));
        case vtInteger:
        case vtError:
            return QVariant::fromValue(int(int32_t(uint32_t(v.RawInt()))));
        case vtSingle:
        case vtDouble:
        case vtDate:
            return QVariant(v.RawReal());
        case vtCurrency:
        case vtInt64:
            return QVariant::fromValue(qlonglong(v.RawInt()));
        case vtString:
            return QVariant(QString::fromStdString(v.RawString()));
        case vtBoolean:
            return QVariant(v.RawInt() != 0);
        case vtByte:
            return QVariant::fromValue(uchar(v.RawInt()));
        case vtWord:
            return QVariant::fromValue(ushort(v.RawInt()));
        case vtLongWord:
            return QVariant::fromValue(uint(v.RawInt()));
        case vtUInt64:
            return QVariant::fromValue(qulonglong(v.RawUInt()));
        default:
            return QVariant(false);
    }
}

QVariant ElementPayload(const TVariant& elem, TVarType elemType) {
    if (elemType == vtVariant) return QVariant::fromValue(ToWire(elem));
    return ScalarPayload(elem);
}

QVariant ArrayPayload(const TVariant& v) {
    QDBusArgument inner;
    inner.beginStructure();
    inner.beginArray(QMetaType::fromType<TWireBound>());
    for (const TVarBound& b : v.Bounds()) inner << TWireBound{b.Low, b.Count};
    inner.endArray();
    inner.beginArray(QMetaType::fromType<QDBusVariant>());
    for (const TVariant& e : v.Items()) inner << QDBusVariant(ElementPayload(e, v.ElemType()));
    inner.endArray();
    inner.endStructure();
    return QVariant::fromValue(inner);
}

// The D-Bus type a scalar code travels as.
int PayloadTypeOf(uint16_t code) {
    switch (code) {
        case vtEmpty:
        case vtNull:
        case vtBoolean:
            return QMetaType::Bool;
        case vtSmallint:
        case vtShortInt:
            return QMetaType::Short;
        case vtInteger:
        case vtError:
            return QMetaType::Int;
        case vtSingle:
        case vtDouble:
        case vtDate:
            return QMetaType::Double;
        case vtCurrency:
        case vtInt64:
            return QMetaType::LongLong;
        case vtString:
            return QMetaType::QString;
        case vtByte:
            return QMetaType::UChar;
        case vtWord:
            return QMetaType::UShort;
        case vtLongWord:
            return QMetaType::UInt;
        case vtUInt64:
            return QMetaType::ULongLong;
        default:
            return QMetaType::UnknownType;
    }
}

bool Fail(QString* error, const QString& text) {
    if (error) *error = text;
    return false;
}

bool DecodeScalar(uint16_t code, const QVariant& p, TVariant& out, QString* error) {
    int expected = PayloadTypeOf(code);
    if (expected == QMetaType::UnknownType)
        return Fail(error, QStringLiteral("unknown type code %1").arg(code));
    if (p.metaType().id() != expected)
        return Fail(error,
                    QStringLiteral("payload of type code %1 has the wrong D-Bus type").arg(code));
    switch (code) {
        case vtEmpty:
            out = TVariant();
            break;
        case vtNull:
            out = TVariant::Null();
            break;
        case vtBoolean:
            out = TVariant(p.toBool());
            break;
        case vtSingle:
            out = TVariant::Single(float(p.toDouble()));
            break;
        case vtDouble:
            out = TVariant(p.toDouble());
            break;
        case vtDate:
            out = TVariant::Date(p.toDouble());
            break;
        case vtCurrency:
            out = TVariant::Currency(p.toLongLong());
            break;
        case vtString:
            out = TVariant(p.toString().toStdString());
            break;
        case vtError:
            out = TVariant::Error(uint32_t(p.toInt()));
            break;
        case vtByte:
        case vtWord:
        case vtLongWord:
        case vtUInt64:
            out = TVariant::OfUInt(TVarType(code), p.toULongLong());
            break;
        default:
            out = TVariant::OfInt(TVarType(code), p.toLongLong());
            break;
    }
    return true;
}

bool DecodeAt(const QDBusArgument& arg, TVariant& out, QString* error, int maxDims, int depth);

// Closes a structure or array of an argument being read, however the reading ends: Qt
// keeps the message alive for every level left open, so each refusal would leak it.
class TOpenLevel {
  public:
    using TEnd = void (QDBusArgument::*)() const;
    TOpenLevel(const QDBusArgument& arg, TEnd end) : arg_(arg), end_(end) {}
    ~TOpenLevel() { (arg_.*end_)(); }
    TOpenLevel(const TOpenLevel&) = delete;
    TOpenLevel& operator=(const TOpenLevel&) = delete;

  private:
    const QDBusArgument& arg_;
    TEnd end_;
};

std::vector<TVarBound> ReadBounds(const QDBusArgument& inner) {
    std::vector<TVarBound> bounds;
    inner.beginArray();
    TOpenLevel array(inner, &QDBusArgument::endArray);
    while (!inner.atEnd()) {
        TWireBound b;
        inner >> b;
        bounds.push_back({b.Low, b.Count});
    }
    return bounds;
}

// The number of elements the bounds call for.
bool CheckBounds(const std::vector<TVarBound>& bounds, int maxDims, size_t& expected,
                 QString* error) {
    if (bounds.empty() || int(bounds.size()) > std::min(maxDims, 2))
        return Fail(error, QStringLiteral("array with %1 dimensions").arg(bounds.size()));
    expected = 1;
    for (const TVarBound& b : bounds) {
        if (b.Count < 0) return Fail(error, QStringLiteral("negative element count"));
        if (!b.Valid()) return Fail(error, QStringLiteral("array bounds overflow"));
        expected *= size_t(b.Count);
    }
    return true;
}

bool ReadElements(const QDBusArgument& inner, TVarType elemType, size_t expected,
                  std::vector<TVariant>& items, QString* error, int depth) {
    inner.beginArray();
    TOpenLevel array(inner, &QDBusArgument::endArray);
    while (!inner.atEnd()) {
        if (items.size() >= expected)
            return Fail(error, QStringLiteral("more elements than the bounds allow"));
        QDBusVariant ev;
        inner >> ev;
        TVariant item;
        bool ok = elemType == vtVariant
                      ? ev.variant().metaType() == QMetaType::fromType<QDBusArgument>() &&
                            DecodeAt(ev.variant().value<QDBusArgument>(), item, error, 2, depth + 1)
                      : DecodeScalar(elemType, ev.variant(), item, error);
        if (!ok) return error && !error->isEmpty() ? false : Fail(error, "bad array element");
        items.push_back(std::move(item));
    }
    return true;
}

bool DecodeArray(uint16_t code, const QVariant& p, TVariant& out, QString* error, int maxDims,
                 int depth) {
    TVarType elemType = TVarType(code & ~vtArray);
    if (!IsValidElemType(elemType))
        return Fail(error, QStringLiteral("bad array element type %1").arg(elemType));
    if (p.metaType() != QMetaType::fromType<QDBusArgument>())
        return Fail(error, QStringLiteral("array payload is not (a(ii)av)"));
    const QDBusArgument inner = p.value<QDBusArgument>();
    if (inner.currentSignature() != QLatin1String("(a(ii)av)"))
        return Fail(
            error,
            QStringLiteral("array payload is %1, not (a(ii)av)").arg(inner.currentSignature()));
    inner.beginStructure();
    TOpenLevel structure(inner, &QDBusArgument::endStructure);
    std::vector<TVarBound> bounds = ReadBounds(inner);
    size_t expected = 0;
    if (!CheckBounds(bounds, maxDims, expected, error)) return false;
    std::vector<TVariant> items;
    if (!ReadElements(inner, elemType, expected, items, error, depth)) return false;
    if (items.size() != expected)
        return Fail(error, QStringLiteral("element count %1 does not match the bounds (%2)")
                               .arg(items.size())
                               .arg(expected));
    out = TVariant::Array(elemType, bounds);
    out.Items() = std::move(items);
    return true;
}

bool DecodeAt(const QDBusArgument& arg, TVariant& out, QString* error, int maxDims, int depth) {
    if (depth > kMaxNesting) return Fail(error, QStringLiteral("values nested too deep"));
    if (arg.currentSignature() != QLatin1String(kWireSignature))
        return Fail(error, QStringLiteral("value is %1, not (qv)").arg(arg.currentSignature()));
    quint16 code = 0;
    QDBusVariant payload;
    arg.beginStructure();
    arg >> code >> payload;
    arg.endStructure();
    if (code & vtArray) return DecodeArray(code, payload.variant(), out, error, maxDims, depth);
    return DecodeScalar(code, payload.variant(), out, error);
}

}  // namespace

void EncodeWire(QDBusArgument& arg, const TVariant& v) {
    arg.beginStructure();
    arg << quint16(v.Type());
    arg << QDBusVariant(v.IsArray() ? ArrayPayload(v) : ScalarPayload(v));
    arg.endStructure();
}

QDBusArgument ToWire(const TVariant& v) {
    QDBusArgument arg;
    EncodeWire(arg, v);
    return arg;
}

bool DecodeWire(const QDBusArgument& arg, TVariant& out, QString* error, int maxDims) {
    if (error) error->clear();
    return DecodeAt(arg, out, error, maxDims, 0);
}

QDBusArgument& operator<<(QDBusArgument& arg, const TVariant& v) {
    EncodeWire(arg, v);
    return arg;
}

const QDBusArgument& operator>>(const QDBusArgument& arg, TVariant& v) {
    QString error;
    if (!DecodeWire(arg, v, &error)) {
        qWarning() << "malformed automation value:" << error;
        v = TVariant();
    }
    return arg;
}

void RegisterWireTypes() {
    static const bool done = [] {
        qDBusRegisterMetaType<TWireBound>();
        qDBusRegisterMetaType<TVariant>();
        return true;
    }();
    (void)done;
}

}  // namespace trelon
