#pragma once

#include "comm/clientreq.h"
#include "corviscommon/edition.h"
#include "login/qrloginview.h"
#include "src/PolicyAnalyzer/st_qrcodeinfo.h"

#include <QObject>
#include <QString>

class QTimer;

// The QR-code login without widgets: asks the client service for a signature (71), turns it into
// a login URL (72), polls the scan state every two seconds (73) and sends the QR login (74) once
// the user confirmed on the phone; the cancel button sends 82, whose answer starts a new flow.
// It decides what the QR page shows (viewChanged) and sends its requests through sendRequest,
// which the login dialog forwards to UiComm; results come back through onResult.
//
// At most one heartbeat is in flight: a tick while the last one is unanswered waits for its
// answer (or the messaging library's time-out), so a slow service is never flooded. Answers that
// belong to a flow that was stopped or replaced are dropped.
class QrLoginFlow : public QObject
{
    Q_OBJECT
public:
    enum class Stage {
        Idle,         // nothing running: a refresh (or the first show) starts a flow
        Signing,      // 71 sent
        FetchingUrl,  // 72 sent
        Polling,      // code shown, heartbeat running
        LoggingIn,    // confirmed on the phone, 74 sent; the login dialog handles its result
        Cancelling,   // 82 sent
    };
    static constexpr int kHeartbeatMs = 2000;

    explicit QrLoginFlow(const corvis::Edition& edition, QObject* parent = nullptr);

    const st_qrcodeInfo& info() const { return info_; }
    Stage stage() const { return stage_; }
    const QrLoginView& view() const { return view_; }
    // A heartbeat (73) was sent and its answer has not come yet.
    bool heartbeatOutstanding() const;
    // "timerQrHeartbeat", 2000 ms; its interval may be shortened (tests, demo).
    QTimer* heartbeatTimer() const { return heartbeat_; }

    // The hint shown while the code waits for a scan.
    static QString waitingHint(const corvis::Edition& edition);
    // Picture files painted over the faded code.
    static QString scanOkLogo(const corvis::Edition& edition);
    static QString scanRefreshLogo(const corvis::Edition& edition);
    // The body of the QR login (74).
    static QString loginBody(const st_qrcodeInfo& info);

    // The QR tab became the current tab: the first time (since construction or clear()) this
    // starts a flow.
    void onTabShown();
    // A result of the client service. True when it is a QR step (71, 72, 73, 82) and was taken
    // here; the QR login's own result (74) belongs to the login dialog's result rows.
    bool onResult(ClientReq req, const QString& text, bool isMsgError);

public slots:
    // Starts a flow when the ready flag allows it; false when there was nothing to do.
    bool onBtnLoginQrcodeClicked();
    // The cancel button: 82 with the sign (a flow without a sign just starts again).
    void onBtnLoginQrcodeCancelClicked();
    void onHeartbeatTick();
    // Leaving the QR tab, logging in another way, closing the dialog: polling stops, nothing is
    // sent any more, the code is faded under the refresh picture. A running QR login (74) is left
    // to its result.
    void stop();
    // The page emptied (exitClear, a login result): stop, forget the flow but the scanned user
    // name; the next switch to the QR tab starts a new one.
    void clear();
    // An error tip on the QR page: the text in the hint line, the refresh picture over the faded
    // code, ready for a new flow.
    void showError(const QString& text);
    // The waiting hint back in the hint line (after a successful QR login).
    void resetHint();
    // An informational tip on the QR page: painted over the faded code with the success logo. A
    // running flow goes on; a stopped one starts again from a click on the code.
    void showTip(const QString& text);

signals:
    void sendRequest(ClientReq req, const QString& body);
    void viewChanged(const QrLoginView& view);
    // Confirmed on the phone: the tab bar stays on the QR type while the QR login runs.
    void lockTabBar();

private:
    // Which answer of a step the flow is waiting for; answers are counted per step.
    struct Awaited {
        int sent = 0;
        int answered = 0;
        int current = 0;  // number of the request the flow waits for; 0: none
    };
    Awaited& awaited(ClientReq req);
    void send(ClientReq req, const QString& body);
    void forgetAwaited();
    void stopPolling();
    void setView(const QrLoginView& view);
    QrLoginView waitingView() const;
    QrLoginView tipView(bool success, const QString& text) const;
    void onSign(const QString& text, bool isMsgError);
    void onUrl(const QString& text, bool isMsgError);
    void onHeartbeat(const QString& text, bool isMsgError);
    void onCancel(const QString& text, bool isMsgError);
    void onStatus(int previous);

    corvis::Edition edition_;
    st_qrcodeInfo info_;
    Stage stage_ = Stage::Idle;
    QString url_;
    QrLoginView view_;
    bool shownOnce_ = false;
    bool waitLogged_ = false;
    QTimer* heartbeat_ = nullptr;
    Awaited sign_;
    Awaited url72_;
    Awaited heartbeatReq_;
    Awaited cancel_;
};
