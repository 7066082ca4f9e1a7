#pragma once

#include "comm/clientreq.h"
#include "comm/cs_ret_status.h"
#include "login/st_improveuserinfoelements.h"
#include "src/CustomControl/customdialog.h"
#include "src/Views/dialogcommonrules.h"

#include <QString>
#include <QStringList>
#include <QVector>

#include <functional>

class CountDown;
class CusLineEdit;
class CusPasswordEdit;
class CusTipLabel;
class QLabel;
class QPushButton;
class QStackedWidget;
class QVBoxLayout;
class QWidget;

// The common account dialog: password change, phone binding, the second authentication that
// the dynamic authorization demands, and the profile form. One shared instance; the personal
// centre owns a second one. Closing it only hides it and clears what was typed. Spread over
// dialogcommon.cpp (pages, showing, closing), dialogcommonrequests.cpp (buttons, requests,
// results, count-downs) and dialogcommonuserinfo.cpp (the profile form); the decisions are
// DialogCommonRules'.
//
// Children: "stackCommon" with "pageModifyPwd", "pageUnbind", "pageBind", "pageAuthAgainPwd",
// "pageAuthAgainSms", "pageImproveUserInfo". Page 0: "editOldPwd", "editNewPwd", "editConfirmPwd",
// "labelOldPwd", "labelPwdRule0".."labelPwdRule4". Pages 1, 2, 4: "editCode", "btnGetCode"; page 1
// "labelUnbindPhone"; page 2 "editPhone"; page 3 "editAgainPwd". Every page: "labelTip",
// "btnCancel", "btnConfirm" (page 5: "btnSubmit", "scrollImproveUserInfo"). Count-downs
// "unbindCodeCountDown", "bindCodeCountDown", "smsAgainCodeCountDown".
class DialogCommon : public CustomDialog
{
    Q_OBJECT
public:
    // The shared instance, built on the first call.
    static DialogCommon* instance();
    // What is done to the shared instance as it is built (at once if it is built already): its
    // owner connects it there, whoever asks for it first.
    static void setInstanceSetup(std::function<void(DialogCommon*)> setup);
    explicit DialogCommon(QWidget* parent = nullptr);

    // Prepares page 0 to 4 and shows it. `req` is the login request that led here (given back
    // through sendRecoverLoginBtn when a forced change is left).
    void showWindow(PageCommonDialogIndex page, cs_ret_status status, ClientReq req);
    // Builds the profile form (page 5) and shows it.
    void showWindow(const QVector<st_ImproveUserInfoElements>& elements);
    // The result of a request this dialog sent (81, 107-113, 130).
    void handleReqClientResult(ClientReq req, const QString& text, bool isMsgError);
    void setTips(const QString& text, PageCommonDialogIndex page, bool isError);
    void setBtnStatus(bool enabled, PageCommonDialogIndex page);
    void hideAndClearData();
    // Sends the logout (257).
    void logout();
    bool parseAuthCodeJson(const QString& text, int& seconds, PageCommonDialogIndex page);
    // The form's checks: false, with the reasons as page 5's tip, when it may not be sent.
    bool checkImproveUserInfo();
    // The body of 130.
    QString getImproveUserInfoValue() const;
    // The phone that the unbind page removes (shown masked there).
    void setUnbindingPhone(const QString& phone);

    // How the main window's login state is read (1 or 2: logged in); none: not logged in.
    void setLoginStateSource(std::function<int()> source) { loginState_ = std::move(source); }

    int currentPage() const { return page_; }
    int isFirstLogin() const { return m_isFirstLogin; }
    QString tipText(PageCommonDialogIndex page) const;
    CountDown* countDown(PageCommonDialogIndex page) const;

signals:
    // Every request of the dialog to the client service (the main window sends it).
    void sendReqClientModifyPwd(ClientReq req, QString text);
    void sendSetPersonalCenterPhone(QString phone);
    void sendRecoverLoginBtn(ClientReq req);
    void sendJumpToMain();
    // Every portal application released again (or some stopped), after a second authentication.
    void sendHandleEnable(bool enable, QStringList ids);
    // A result handed to this dialog, once it has applied it (also what tests watch the routing by).
    void resultReceived(ClientReq req, const QString& text, bool failed);

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    struct PageWidgets {
        QWidget* page = nullptr;
        CusTipLabel* tip = nullptr;
        QPushButton* cancel = nullptr;
        QPushButton* confirm = nullptr;
        CusLineEdit* code = nullptr;
        QPushButton* codeButton = nullptr;
    };

    void buildModifyPwdPage();
    void buildUnbindPage();
    void buildBindPage();
    void buildAuthAgainPwdPage();
    void buildAuthAgainSmsPage();
    void buildImproveUserInfoPage();
    QWidget* newPage(PageCommonDialogIndex page, const char* name);
    void addCodeRow(PageCommonDialogIndex page, QVBoxLayout* layout);
    void addTipAndButtons(PageCommonDialogIndex page, QVBoxLayout* layout, const QString& confirmText);
    void connectButtons();
    void switchTo(PageCommonDialogIndex page, const QSize& size, const QString& title);

    // Buttons and results (dialogcommonrequests.cpp).
    void onCodeClicked(PageCommonDialogIndex page);
    void onConfirmClicked(PageCommonDialogIndex page);
    void onCancelClicked(PageCommonDialogIndex page);
    void onModifyPwd();
    void onSubmitImproveUserInfo();
    void sendRequest(ClientReq req, const QString& body);
    void sendTray(const QString& text);
    void refreshCodeButton(PageCommonDialogIndex page);
    void focusField(DialogCommonRules::Field field, PageCommonDialogIndex page);
    bool isLoggedIn() const;

    // The profile form (dialogcommonuserinfo.cpp).
    void clearImproveUserInfoForm();
    QVector<DialogCommonRules::FormValue> improveUserInfoValues() const;

    int page_ = PageDialogModifyPwd;
    int m_isFirstLogin = 0;
    ClientReq req_ = CReqClientLogin76;
    QString unbindingPhone_;
    std::function<int()> loginState_;

    QStackedWidget* stack_ = nullptr;
    PageWidgets pages_[6];
    QLabel* oldPwdLabel_ = nullptr;
    CusPasswordEdit* oldPwd_ = nullptr;
    CusPasswordEdit* newPwd_ = nullptr;
    CusPasswordEdit* confirmPwd_ = nullptr;
    QLabel* ruleLabels_[5] = {};
    QLabel* unbindPhoneLabel_ = nullptr;
    CusLineEdit* bindPhone_ = nullptr;
    CusPasswordEdit* againPwd_ = nullptr;
    CountDown* unbindCountDown_ = nullptr;
    CountDown* bindCountDown_ = nullptr;
    CountDown* smsAgainCountDown_ = nullptr;

    // Page 5: the elements and, index by index, what shows them (empty for an unknown type).
    QVector<st_ImproveUserInfoElements> elements_;
    QVector<QList<QWidget*>> elementInputs_;
    QWidget* formArea_ = nullptr;
    QVBoxLayout* formLayout_ = nullptr;
    QWidget* formRows_ = nullptr;  // rebuilt for each form
};
