// TPortFrm: one serial port on the link setup page. It owns the port's link to the server
// and its query table, opens and closes the port, searches it for devices, and routes every
// answer of its link to the page that registered the answer's QID. Device pages issue their
// requests and wait for the answers through it.
#pragma once

#include <QPointer>
#include <QString>
#include <functional>
#include <vector>

#include "base_frame.h"
#include "query_table.h"

class QComboBox;
class QGroupBox;
class QLineEdit;
class QPushButton;

namespace trelon::wizard {

class TMBComMaster;

// The port's link settings besides the port and the speed.
struct TLinkOptions {
    int LinkType = 0;  // 0 RS-232, 1 RS-485
    int Retries = 0;
    int InterByte = 0;  // ms
};

class TPortFrm : public TBaseFrame {
    Q_OBJECT
  public:
    static const QStringList& Speeds();  // "19200", "9600", "4800", "2400"

    explicit TPortFrm(QWidget* parent = nullptr);
    ~TPortFrm() override;

    TMBComMaster* Link() const { return link_; }
    // The port's number (1, 2, ...): the link's tag and the caption "Порт N".
    int Number() const;
    void SetNumber(int number);

    // Settings the operator edits (kept by the page, applied at the next OpenPort).
    QString PortName() const;  // a device path; "COMn" typed by the operator is mapped
    void SetPortName(const QString& path);
    int SpeedIndex() const;
    void SetSpeedIndex(int index);
    QString AddressText() const;
    void SetAddressText(const QString& text);
    TLinkOptions Options() const { return options_; }
    void SetOptions(const TLinkOptions& options) { options_ = options; }

    // Whether the link reported itself connected last.
    bool IsOpen() const { return open_; }
    // Configures the link and connects it (nothing if the port is open); the answer
    // comes as a connection change.
    void OpenPort();
    void ClosePort();

    // Adds a query for the owner's answers; returns its QID, never one given before on
    // this port. The description is cut to 50 characters.
    int RegisterQuery(TBaseFrame* owner, const QString& description, bool logged = true);
    // Waits in the event loop until the answer to the QID has been handled. Bounded: when
    // no answer can come any more (the port closed, the server went away, the entry was
    // cut by a new search, or the time the server needs for all requests in front of this
    // one has passed) it returns mbcNoAnswer. A QID already being waited on is refused
    // with mbcERC and a log line.
    int WaitAnswer(int qid);
    bool IsWaiting(int qid) const;
    // The request pattern of device operations: fails with mbcERC and no traffic when the
    // link is not connected (or the QID's previous request is still awaited); registers
    // the QID on first use (qid 0 means not registered) or when a search has cut it away;
    // sets the device address; issues
    // the request through issue(link, qid) and, when wait is set, waits for its answer.
    // Without waiting the result is mbcOK once the request has been sent.
    int Request(TBaseFrame* owner, int& qid, const QString& description, bool logged, int address,
                const std::function<bool(TMBComMaster&, int)>& issue, bool wait = true);
    const TQueryTable& Queries() const { return queries_; }

    // Device search over the addresses of the address edit; false when the text has a
    // syntax error (the edit turns red and nothing is sent).
    bool StartSearch();
    int ExpectedAnswers() const { return expected_; }

    bool RunAuto() override { return false; }
    void DeviceRemoved(QObject*) override {}
    void WriteReport(TReportWorkbook&) override {}
    void AnswerReceived(QObject* sender, int qid, int mbAddr, int funNumber, const TVariant& value,
                        int result) override;

  signals:
    void SearchStarting(TPortFrm* port);  // the port's devices are to be forgotten
    void DeviceAnswered(TPortFrm* port, int address, const QString& answer);
    void ConnectionChanged(TPortFrm* port, bool connected);
    void RemoveRequested(TPortFrm* port);

  private:
    struct TActiveWait;

    void BuildControls();
    void Dispatch(int qid, int mbAddr, int funNumber, const TVariant& value, int result);
    void ChangeConnected(bool connected);
    void EndWaits(int qid, int result);
    void CutQueries();
    void ShowAdvanced();
    int WaitBoundMs() const;

    TMBComMaster* link_;
    TQueryTable queries_;
    TLinkOptions options_;
    bool open_ = false;
    int expected_ = 0;
    std::vector<TActiveWait*> waits_;

    QGroupBox* box_;
    QComboBox* cbxPort_;
    QComboBox* cbxSpeed_;
    QLineEdit* edtAdrs_;
    QPushButton* btnConnect_;
    QPushButton* btnFind_;
    QPushButton* btnDel_;
    QPushButton* btnAdv_;
};

}  // namespace trelon::wizard
