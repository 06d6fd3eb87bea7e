#include "bus_interface.h"

#include <QDir>
#include <QFile>
#include <QXmlStreamReader>
#include <stdexcept>

namespace trelon {

QString TBusMethodSpec::InSignature() const {
    QString s;
    for (const TBusArgSpec& a : In) s += a.Signature;
    return s;
}

const TBusInterfaces& TBusInterfaces::Instance() {
    static const TBusInterfaces all = [] {
        TBusInterfaces r;
        const QDir dir(QStringLiteral(":/dbus"));
        for (const QString& name : dir.entryList({QStringLiteral("*.xml")})) {
            QFile f(dir.filePath(name));
            QString error;
            if (!f.open(QIODevice::ReadOnly) || !r.Parse(QString::fromUtf8(f.readAll()), &error))
                throw std::runtime_error("bad interface file " + name.toStdString() + ": " +
                                         error.toStdString());
        }
        return r;
    }();
    return all;
}

bool TBusInterfaces::Parse(const QString& xml, QString* error) {
    QXmlStreamReader r(xml);
    std::shared_ptr<TBusInterfaceSpec> iface;
    TBusMethodSpec* method = nullptr;
    TBusSignalSpec* signal = nullptr;
    qint64 ifaceStart = 0;
    while (!r.atEnd()) {
        QXmlStreamReader::TokenType t = r.readNext();
        const auto a = r.attributes();
        if (t == QXmlStreamReader::StartElement) {
            if (r.name() == QLatin1String("interface")) {
                iface = std::make_shared<TBusInterfaceSpec>();
                iface->Name = a.value("name").toString();
                ifaceStart = r.characterOffset();
                // Find where the element starts in the text.
                ifaceStart = xml.lastIndexOf(QLatin1String("<interface"), int(ifaceStart));
            } else if (r.name() == QLatin1String("method") && iface) {
                method = &iface->Methods[a.value("name").toString()];
                method->Name = a.value("name").toString();
                signal = nullptr;
            } else if (r.name() == QLatin1String("signal") && iface) {
                signal = &iface->Signals[a.value("name").toString()];
                signal->Name = a.value("name").toString();
                method = nullptr;
            } else if (r.name() == QLatin1String("arg")) {
                TBusArgSpec arg{a.value("name").toString(), a.value("type").toString()};
                if (method) {
                    (a.value("direction") == QLatin1String("out") ? method->Out : method->In)
                        .append(arg);
                } else if (signal) {
                    signal->Args.append(arg);
                }
            } else if (r.name() == QLatin1String("property") && iface) {
                TBusPropertySpec p;
                p.Name = a.value("name").toString();
                p.Signature = a.value("type").toString();
                QStringView access = a.value("access");
                p.Readable = access.contains(QLatin1String("read"));
                p.Writable = access.contains(QLatin1String("write"));
                iface->Properties[p.Name] = p;
            }
        } else if (t == QXmlStreamReader::EndElement) {
            if (r.name() == QLatin1String("interface") && iface) {
                iface->Xml = xml.mid(int(ifaceStart), int(r.characterOffset() - ifaceStart));
                interfaces_[iface->Name] = iface;
                iface.reset();
            } else if (r.name() == QLatin1String("method")) {
                method = nullptr;
            } else if (r.name() == QLatin1String("signal")) {
                signal = nullptr;
            }
        }
    }
    if (r.hasError()) {
        if (error) *error = r.errorString();
        return false;
    }
    return true;
}

const TBusInterfaceSpec* TBusInterfaces::Find(const QString& name) const {
    auto it = interfaces_.find(name);
    return it == interfaces_.end() ? nullptr : it->get();
}

}  // namespace trelon
