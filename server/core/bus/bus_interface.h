// Interfaces as the introspection XML describes them: the one description of every member
// the server offers. The dispatcher checks calls against it and encodes replies by it.
#pragma once

#include <QList>
#include <QMap>
#include <QString>
#include <memory>

namespace trelon {

struct TBusArgSpec {
    QString Name;
    QString Signature;
};

struct TBusMethodSpec {
    QString Name;
    QList<TBusArgSpec> In, Out;
    QString InSignature() const;
};

struct TBusPropertySpec {
    QString Name;
    QString Signature;
    bool Readable = true;
    bool Writable = false;
};

struct TBusSignalSpec {
    QString Name;
    QList<TBusArgSpec> Args;
};

struct TBusInterfaceSpec {
    QString Name;
    QString Xml;  // the <interface> element as written, for introspection
    QMap<QString, TBusMethodSpec> Methods;
    QMap<QString, TBusPropertySpec> Properties;
    QMap<QString, TBusSignalSpec> Signals;
};

// All interfaces of the files in the resource folder :/dbus, read once.
class TBusInterfaces {
  public:
    static const TBusInterfaces& Instance();
    // Parses one introspection document; false with a reason on malformed XML.
    bool Parse(const QString& xml, QString* error);
    const TBusInterfaceSpec* Find(const QString& name) const;

  private:
    QMap<QString, std::shared_ptr<TBusInterfaceSpec>> interfaces_;
};

}  // namespace trelon
