// The link setup page's keys of the settings file: its ports with their link settings and
// the device table. Devices refer to their port by position.
#include "ini_file.h"
#include "log_frame.h"
#include "mb_link.h"
#include "port_frm.h"
#include "port_names.h"
#include "sys_frm.h"

namespace trelon::wizard {

namespace {

const std::string kSection = "SysFrm";

std::string PortSection(size_t index) {
    return "FrameMBCM" + std::to_string(index);
}

std::string DeviceSection(int number) {
    return kSection + std::to_string(number);
}

std::string Str(const QString& s) {
    return s.toStdString();
}

QString ReadQString(const TIniFile& ini, const std::string& section, const std::string& key,
                    const char* def) {
    return QString::fromStdString(ini.ReadString(section, key, def));
}

int ReadInt(const TIniFile& ini, const std::string& section, const std::string& key, int def) {
    return int(ini.ReadInteger(section, key, def));
}

}  // namespace

void TSysFrm::SaveSettings(TIniFile& ini) {
    ini.WriteInteger(kSection, "PortCount", (long long)ports_.size());
    for (size_t i = 0; i < ports_.size(); ++i) {
        const TPortFrm* port = ports_[i];
        const std::string section = PortSection(i);
        const TLinkOptions options = port->Options();
        ini.WriteString(section, "adrs", Str(port->AddressText()));
        ini.WriteString(section, "COM", Str(port->PortName()));
        ini.WriteInteger(section, "speed", port->SpeedIndex());
        ini.WriteInteger(section, "linktype", options.LinkType);
        ini.WriteInteger(section, "retries", options.Retries);
        ini.WriteInteger(section, "interbyte", options.InterByte);
    }
    const auto& entries = devices_.Entries();
    ini.WriteInteger(kSection, "DevCount", (long long)entries.size());
    for (size_t n = 0; n < entries.size(); ++n) {
        const TDevInfo& e = entries[n];
        const std::string section = DeviceSection(int(n) + 1);
        ini.WriteString(section, "name", Str(e.TypeName));
        ini.WriteString(section, "AnswerStr", Str(e.Answer));
        ini.WriteInteger(section, "type", e.Kind);
        ini.WriteInteger(section, "adr", e.Address);
        ini.WriteInteger(section, "nummbcm", e.Link ? e.Link->Tag() - 1 : 0);
    }
}

void TSysFrm::LoadSettings(const TIniFile& ini) {
    while (!ports_.empty()) RemovePort(ports_.back());
    ClearDevices();
    const int portCount = ReadInt(ini, kSection, "PortCount", 0);
    for (int i = 0; i < portCount; ++i) {
        TPortFrm* port = AddPort();
        const std::string section = PortSection(size_t(i));
        port->SetAddressText(ReadQString(ini, section, "adrs", "1,3-5"));
        port->SetPortName(PortFromSetting(ReadQString(ini, section, "COM", "0")));
        port->SetSpeedIndex(ReadInt(ini, section, "speed", 1));
        port->SetOptions(TLinkOptions{ReadInt(ini, section, "linktype", 1),
                                      ReadInt(ini, section, "retries", 1),
                                      ReadInt(ini, section, "interbyte", 20)});
    }
    const int devCount = ReadInt(ini, kSection, "DevCount", 0);
    for (int n = 1; n <= devCount; ++n) {
        const std::string section = DeviceSection(n);
        const int portIndex = ReadInt(ini, section, "nummbcm", 0);
        if (portIndex < 0 || portIndex >= int(ports_.size())) {
            AddLog(QStringLiteral("Прибор %1 из настроек пропущен: нет порта %2")
                       .arg(n)
                       .arg(portIndex + 1));
            continue;
        }
        TPortFrm* port = ports_[size_t(portIndex)];
        int kind = ReadInt(ini, section, "type", dkUnknown);
        if (kind < 0 || kind >= kDeviceKindCount) kind = dkUnknown;
        devices_.Insert(TDevInfo{ReadQString(ini, section, "name", "???"),
                                 ReadQString(ini, section, "AnswerStr", "???"),
                                 kind,
                                 port->Link(),
                                 ReadInt(ini, section, "adr", 1),
                                 port,
                                 {}});
    }
    RefreshDevices();
    for (TPortFrm* port : ports_) port->OpenPort();
}

}  // namespace trelon::wizard
