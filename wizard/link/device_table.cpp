#include "device_table.h"

#include <algorithm>

#include "base_frame.h"
#include "mb_link.h"
#include "port_frm.h"

namespace trelon::wizard {

const TDevInfo& TDeviceTable::Add(int address, const QString& answer, TPortFrm* port,
                                  TMBComMaster* link) {
    const QString text = CutAtNul(answer);
    const TDeviceKind kind = IdentifyKind(text);
    return Insert(TDevInfo{DeviceTypeName(kind, address), text, kind, link, address, port, {}});
}

const TDevInfo& TDeviceTable::Insert(TDevInfo info) {
    info.TypeName = LeftChars(info.TypeName, kTypeNameLength);
    info.Answer = LeftChars(CutAtNul(info.Answer), kAnswerLength);
    entries_.push_back(std::move(info));
    return entries_.back();
}

std::vector<TDevInfo> TDeviceTable::TakeOfPort(const TPortFrm* port) {
    std::vector<TDevInfo> taken;
    for (size_t i = entries_.size(); i-- > 0;) {
        if (port && entries_[i].PortPage != port) continue;
        taken.push_back(std::move(entries_[i]));
        entries_.erase(entries_.begin() + std::ptrdiff_t(i));
    }
    return taken;
}

const TDevInfo* TDeviceTable::Bind(TBaseFrame* page, int kind, int ordinal) {
    for (TDevInfo& entry : entries_)
        for (QPointer<TBaseFrame>& slot : entry.BoundPages)
            if (slot == page) slot = nullptr;
    int n = 0;
    for (TDevInfo& entry : entries_) {
        if (entry.Kind != kind) continue;
        if (n++ != ordinal) continue;
        auto empty = std::find_if(entry.BoundPages.begin(), entry.BoundPages.end(),
                                  [](const QPointer<TBaseFrame>& p) { return p.isNull(); });
        if (empty != entry.BoundPages.end())
            *empty = page;
        else
            entry.BoundPages.emplace_back(page);
        return &entry;
    }
    return nullptr;
}

std::vector<const TDevInfo*> TDeviceTable::OfKind(int kind) const {
    std::vector<const TDevInfo*> out;
    for (const TDevInfo& entry : entries_)
        if (entry.Kind == kind) out.push_back(&entry);
    return out;
}

bool TDeviceTable::Has(int kind) const {
    return std::any_of(entries_.begin(), entries_.end(),
                       [kind](const TDevInfo& e) { return e.Kind == kind; });
}

}  // namespace trelon::wizard
