// TSysFrm "Настройки связи": the first wizard page. The operator adds serial ports, opens
// them and searches them for devices; the device table it keeps is where the instrument
// pages choose their devices. Next is possible once every port is open, the four device
// kinds were found and the three instrument pages have chosen their devices.
#pragma once

#include <QPointer>
#include <array>
#include <vector>

#include "base_frame.h"
#include "device_table.h"

class QPushButton;
class QTableWidget;
class QVBoxLayout;

namespace trelon::wizard {

class TMBComMaster;
class TPortFrm;

class TSysFrm : public TBaseFrame {
    Q_OBJECT
  public:
    explicit TSysFrm(QWidget* parent = nullptr);
    ~TSysFrm() override;

    // A new port page at the bottom, numbered one above the last port.
    TPortFrm* AddPort();
    // Forgets the port's devices, renumbers the ports after it and destroys it with its
    // link. The port's "Удалить" button asks for this through a posted message, and the
    // removal waits until no page is inside a wait.
    void RemovePort(TPortFrm* port);
    const std::vector<TPortFrm*>& Ports() const { return ports_; }
    // On a first run (no ports yet): a port page on the path, searching the addresses
    // "1,3-5", opened at once. nullptr when there are ports already.
    TPortFrm* AddFirstPort(const QString& path);

    void AddDevice(int address, const QString& answer, TPortFrm* port, TMBComMaster* link);
    void RemoveDevicesOfPort(TPortFrm* port);
    // Empties the device table; pages bound to its entries are told, as on any removal.
    void ClearDevices();
    void RefreshDevices();
    const TDeviceTable& Devices() const { return devices_; }
    bool Found(int kind) const { return found_.at(size_t(kind)); }
    bool AllPortsOpen() const { return allPortsOpen_; }

    // Binds the page to the device with ordinal newOrdinal among those of the kind, after
    // taking it off every device it was bound to (oldOrdinal only tells which one the page
    // believes it had); then tells the page the link's state. False when there is no such
    // device.
    bool BindPage(TBaseFrame* page, int oldOrdinal, int kind, int newOrdinal);
    void SetImrPageReady(bool ready);
    void SetIptPageReady(bool ready);
    void SetUsiPageReady(bool ready);

    void Enter(QWidget* container) override;
    bool IsReady() override;
    void LinkChanged(QObject* link, bool connected) override;
    void SaveSettings(TIniFile& ini) override;
    void LoadSettings(const TIniFile& ini) override;
    bool RunAuto() override { return false; }
    void DeviceRemoved(QObject*) override {}
    void WriteReport(TReportWorkbook&) override {}

  protected:
    bool event(QEvent* event) override;

  private:
    void BuildControls();
    void RequestRemoval(TPortFrm* port);
    void ForgetDevices(std::vector<TDevInfo> removed);
    void FillGrid();
    void UpdateNext();

    std::vector<TPortFrm*> ports_;
    TDeviceTable devices_;
    std::array<bool, kDeviceKindCount> found_{};
    bool allPortsOpen_ = true;
    bool imrReady_ = false, iptReady_ = false, usiReady_ = false;

    QPushButton* btnAddPort_;
    QPushButton* btnClear_;
    QTableWidget* sgDev_;
    QVBoxLayout* pnlPortsLayout_;
};

}  // namespace trelon::wizard
