#include "query_table.h"

#include "base_frame.h"
#include "device_kind.h"

namespace trelon::wizard {

int TQueryTable::Register(TBaseFrame* owner, const QString& description, bool logged) {
    const int qid = next_++;
    entries_[qid] = TQueryInfo{owner, LeftChars(description, kDescriptionLength), 0, logged};
    return qid;
}

TQueryInfo* TQueryTable::Find(int qid) {
    auto it = entries_.find(qid);
    return it == entries_.end() ? nullptr : &it->second;
}

const TQueryInfo* TQueryTable::Find(int qid) const {
    auto it = entries_.find(qid);
    return it == entries_.end() ? nullptr : &it->second;
}

std::vector<int> TQueryTable::CutToFirst() {
    std::vector<int> removed;
    for (auto it = entries_.begin(); it != entries_.end();) {
        if (it->first == 0) {
            ++it;
            continue;
        }
        removed.push_back(it->first);
        it = entries_.erase(it);
    }
    return removed;
}

}  // namespace trelon::wizard
