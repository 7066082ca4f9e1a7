#pragma once

#include "comm/clientreq.h"

#include <QString>
#include <QWidget>

class CusTabWidget;
class QLabel;
class QStackedWidget;

// Passed to PageSPA::initSPAPage: a plain reset, or the services repeating the SPA.
enum redoSpaStatus {
    RedoSpaNormal = 0,
    RedoSpaStart = 1,
    RedoSpaDone = 2,
};

// The single-packet-authorization page ("预认证"), shown before login in SPA deployments. The
// tray performs the SPA; the main window routes the tray's pushed outcome to this page.
//
// Children: "spaStack" (0 account, 1 OAuth tabs, 2 SIM) and "spaOauthTabs" (0 first QR code,
// 1 WeChat QR code, 2 account, 3 password reset, hidden until asked for).
class PageSPA : public QWidget
{
    Q_OBJECT
public:
    enum OauthTab {
        OauthQrcode = 0,
        OauthWechat = 1,
        OauthAccount = 2,
        OauthReset = 3,
    };

    static PageSPA* instance();

    void initSPAPage(redoSpaStatus status);
    void onOauthToLogin();
    void onOauthToReset();
    bool isInOauthResetPage() const;

    // Outcome of an SPA.
    void slot_SPA_login_result(bool ok, const QString& msg);
    // When the last SPA (account mode) succeeded: its credentials, once; otherwise false.
    bool needAutoLogin(QString& account, QString& password);

    // The reset form's two steps: true when the user clicked, false when the tray's success
    // continues the step.
    void onOauthResetBtnAuthCode(bool clicked);
    void onOauthResetBtnCommit(bool clicked);
    void handleOauthResetAuthCode(const QString& msg, bool failed);
    void handleOauthResetCommit(const QString& msg, bool failed);

    // The login button of the page in use.
    void slot_btn_common_login_clicked();

signals:
    void sendSPALoginSucc(QString account, QString password);
    void sendWindowsChange(int change);
    // What the page was handed, once it has applied it (also what tests watch the routing by):
    // an SPA outcome; a reset step continued after the tray's authorization (the request it
    // sends, 128 or 129); the answer to such a request.
    void spaResultShown(bool ok, const QString& msg);
    void oauthResetStepStarted(ClientReq req);
    void oauthResetResultShown(ClientReq req, const QString& msg, bool failed);

private:
    PageSPA();

    QStackedWidget* stack_ = nullptr;
    CusTabWidget* oauthTabs_ = nullptr;
    QString account_;
    QString password_;
    bool autoLogin_ = false;
};
