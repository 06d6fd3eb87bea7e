// Collects Tick events in the order they arrive.
#pragma once

#include <QObject>
#include <vector>

namespace trelon::test {

class TTickReceiver : public QObject {
    Q_OBJECT
  public:
    std::vector<int> Seen;
  public slots:
    void Tick(int n) { Seen.push_back(n); }
};

}  // namespace trelon::test
