// The device table: every device found by a search (or loaded from the settings), with the
// port and link it answered on and the pages bound to it.
#pragma once

#include <QPointer>
#include <QString>
#include <vector>

#include "device_kind.h"

namespace trelon::wizard {

class TBaseFrame;
class TMBComMaster;
class TPortFrm;

struct TDevInfo {
    QString TypeName;  // kind name and address, at most 15 characters
    QString Answer;    // the name answer up to its first NUL, at most 20 characters
    int Kind = dkUnknown;
    QPointer<TMBComMaster> Link;
    int Address = 0;
    QPointer<TPortFrm> PortPage;
    std::vector<QPointer<TBaseFrame>> BoundPages;  // an empty slot is reused
};

class TDeviceTable {
  public:
    // A device that answered: its kind is told by the answer.
    const TDevInfo& Add(int address, const QString& answer, TPortFrm* port, TMBComMaster* link);
    // An entry as the settings file gives it (texts cut to their limits).
    const TDevInfo& Insert(TDevInfo info);
    // Takes out the entries found by the port (every entry for nullptr), last first.
    std::vector<TDevInfo> TakeOfPort(const TPortFrm* port);

    // Removes the page from every entry, then binds it to the entry with the given ordinal
    // among the entries of the kind (0 is the first). The entry, or nullptr when there is
    // none (the page is then bound to nothing).
    const TDevInfo* Bind(TBaseFrame* page, int kind, int ordinal);
    std::vector<const TDevInfo*> OfKind(int kind) const;
    bool Has(int kind) const;
    const std::vector<TDevInfo>& Entries() const { return entries_; }
    int Count() const { return int(entries_.size()); }

  private:
    std::vector<TDevInfo> entries_;
};

}  // namespace trelon::wizard
