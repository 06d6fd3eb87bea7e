// Arguments between D-Bus messages and handlers. Handlers see automation values as
// TVariant and everything else as Qt gives it; the signatures come from the interfaces.
#pragma once

#include <QList>
#include <QString>
#include <QVariant>

#include "bus_interface.h"

namespace trelon {

// One incoming argument of the given signature; false with a reason when it is not valid.
bool DecodeBusArg(const QVariant& in, const QString& signature, QVariant& out, QString* error);
bool DecodeBusArgs(const QVariantList& in, const QList<TBusArgSpec>& specs, QVariantList& out,
                   QString* error);

// One outgoing argument in the form the signature asks for.
QVariant EncodeBusArg(const QVariant& value, const QString& signature);
QVariantList EncodeBusArgs(const QVariantList& values, const QList<TBusArgSpec>& specs);

}  // namespace trelon
