#pragma once

#include "comm/clientreq.h"
#include "src/CustomControl/customdialog.h"
#include "src/PolicyAnalyzer/st_againbindinfo.h"

#include <QString>

class CusLineEdit;
class QLabel;
class QPushButton;

// "设备绑定检查": a login was refused because this device is bound to another user. It shows
// the device, the bound user and the user who tried to log in, and "提交" asks the controller to
// move the binding (114, body the new user's account and the change ticket). One instance, hidden
// when closed; the login dialog gives its page back when it closes (closed()).
//
// Children: "labelBindAgainPicture", "labelBindAgainHead", "labelBindAgainReason",
// "editDeviceName", "editBindUser", "editNewUser", "labelBindAgainNotice", "btnBindAgainSubmit".
class DialogBindAgain : public CustomDialog
{
    Q_OBJECT
public:
    static DialogBindAgain* instance(QWidget* parent = nullptr);

    // Fills the fields: the computer's name, the bound user, `account` as the new user.
    void setBindInfo(const st_againBindInfo& info, const QString& account);
    const st_againBindInfo& bindInfo() const { return info_; }
    QString account() const { return account_; }

    static QString noticeText();
    // 114's body.
    static QString requestBody(const QString& account, const QString& token);

signals:
    void sendReqBindAgain(ClientReq req, QString body);

private:
    explicit DialogBindAgain(QWidget* parent);
    void onSubmit();

    st_againBindInfo info_;
    QString account_;
    CusLineEdit* deviceName_ = nullptr;
    CusLineEdit* bindUser_ = nullptr;
    CusLineEdit* newUser_ = nullptr;
    QPushButton* submit_ = nullptr;
};
