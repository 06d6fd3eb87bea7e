// The wire form of automation values on the bus: the struct (qv), a type code and its
// payload in a variant; arrays as (a(ii)av). Decoding checks every part of the form.
#pragma once

#include <QDBusArgument>
#include <QMetaType>
#include <QString>

#include "variant.h"

namespace trelon {

inline constexpr const char* kWireSignature = "(qv)";

// Appends v in wire form.
void EncodeWire(QDBusArgument& arg, const TVariant& v);
QDBusArgument ToWire(const TVariant& v);

// Reads a wire value; false with a reason when the form is not valid. maxDims limits the
// array dimensions accepted (the form itself allows at most two).
bool DecodeWire(const QDBusArgument& arg, TVariant& out, QString* error, int maxDims = 2);

// Qt marshalling, for generated proxies: a malformed value reads as empty.
QDBusArgument& operator<<(QDBusArgument& arg, const TVariant& v);
const QDBusArgument& operator>>(const QDBusArgument& arg, TVariant& v);

// Registers TVariant with Qt's type system and D-Bus marshalling (idempotent).
void RegisterWireTypes();

}  // namespace trelon

Q_DECLARE_METATYPE(trelon::TVariant)
