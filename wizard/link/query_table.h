// The query table of a port's link: which page receives the answers of each query
// identifier (QID), what the status bar and the log call it, and the last result. QIDs
// count up and are never given out twice on a port, so a late answer to a QID that was
// cut away finds no entry and is dropped.
#pragma once

#include <QPointer>
#include <QString>
#include <map>
#include <vector>

namespace trelon::wizard {

class TBaseFrame;

inline constexpr int kDescriptionLength = 50;  // characters
inline constexpr int kWaitingResult = -1;      // last result while an answer is awaited

struct TQueryInfo {
    QPointer<TBaseFrame> Owner;  // receives the answers (AnswerReceived)
    QString Description;
    int LastResult = 0;
    bool Logged = true;
};

class TQueryTable {
  public:
    // Adds an entry and returns its QID: 0 for the first, then one above the last given.
    int Register(TBaseFrame* owner, const QString& description, bool logged);
    // The entry of a QID, nullptr when it was never registered or has been cut away.
    TQueryInfo* Find(int qid);
    const TQueryInfo* Find(int qid) const;
    // Removes every entry but QID 0; returns the QIDs removed.
    std::vector<int> CutToFirst();
    int Count() const { return int(entries_.size()); }
    // Entries ever registered.
    int Registered() const { return next_; }

  private:
    std::map<int, TQueryInfo> entries_;
    int next_ = 0;
};

}  // namespace trelon::wizard
