// ClientLoginDialog: what holds a login back before it is done: the step-login document of the
// vesk editions (codes and the bind-this-device switch), a device bound to another user (the
// bind-again dialog) and the user information to complete first.

#include "login/clientlogindialog.h"

#include "app/common.h"
#include "comm/cs_ret_status.h"
#include "corviscommon/logging.h"
#include "login/authcodereply.h"
#include "login/clientlogindialog_p.h"
#include "login/countdown.h"
#include "login/dialogbindagain.h"
#include "login/dialogdevicebind.h"
#include "login/imagecode.h"
#include "login/improveuserinforeader.h"
#include "login/logincredentialpage.h"
#include "login/loginresultfile.h"
#include "src/CustomControl/cuslineedit.h"

#include <QJsonObject>

using clientlogin::errorColour;

void ClientLoginDialog::connectBindAgain()
{
    DialogBindAgain* bindAgain = DialogBindAgain::instance(this);
    connect(bindAgain, &CustomDialog::closed, this, &ClientLoginDialog::onCloseBindAgain);
    connect(bindAgain, &DialogBindAgain::sendReqBindAgain, this, &ClientLoginDialog::sendReqClientLogin);
    // A QR login names its user first: that user is the one a bind-again question is about.
    connect(this, &ClientLoginDialog::sendReqClientLogin, this, [this](ClientReq req, const QString& body) {
        if (req == CReqClientLogin74) {
            qrUser_ = body.section(QLatin1Char('\n'), 0, 0);
        }
    });
    for (LoginCredentialPage* p : {accountPage_, phonePage_}) {
        connect(p, &LoginCredentialPage::bindListClicked, this, &ClientLoginDialog::showDeviceBindList);
    }
}

void ClientLoginDialog::showBindAgain(const LoginAction& action, LoginKind kind)
{
    const QString account = kind == LoginKind::Qrcode ? qrUser_ : realAccount(PageLoginAccount);
    DialogBindAgain* dialog = DialogBindAgain::instance(this);
    dialog->setBindInfo(action.bindInfo, account);
    dialog->show();
    dialog->raise();
    dialog->activateWindow();
}

void ClientLoginDialog::onCloseBindAgain()
{
    LOG(INFO) << "FUNC(onCloseBindAgain) close bindAgain";
    setTabWidgetLoginEnabled(true);
    setPageLoginStatus(currentLoginType(), false, false);
}

bool ClientLoginDialog::parseImproveUserInfoElements(QString& msg, QVector<st_ImproveUserInfoElements>& elements)
{
    return ImproveUserInfoReader::read(msg, elements);
}

void ClientLoginDialog::showImproveUserInfo(PageLoginType type, const QString& text)
{
    QString msg;
    QVector<st_ImproveUserInfoElements> elements;
    if (!parseImproveUserInfoElements(msg, elements)) {
        setLoginErrorTips(msg, type, errorColour());
        return;
    }
    emit sendShowImproveUserInfo(elements, text);
}

void ClientLoginDialog::setPageLoginDeviceBindStatus(PageLoginType type, bool show)
{
    if (type != PageLoginAccount && type != PageLoginPhone) {
        return;
    }
    page(type)->setBindVisible(show);
}

void ClientLoginDialog::showDeviceBindList()
{
    DialogDeviceBind* dialog = DialogDeviceBind::instance(this);
    dialog->updateBindList();
    dialog->show();
    dialog->raise();
    dialog->activateWindow();
}

bool ClientLoginDialog::parseVeskLoginFile(PageLoginType type)
{
    if (type != PageLoginAccount && type != PageLoginPhone) {
        return false;
    }
    const LoginResultFile file = LoginResultFile::read();
    if (file.outcome != LoginResultFile::Ok) {
        LOG(INFO) << "parseVeskLoginFile login JSON can't be read";
        setLoginErrorTips(QStringLiteral("后台数据处理异常！"), type, errorColour());
        return false;
    }
    if (!file.hasResult) {
        LOG(INFO) << "parseVeskLoginFile no result!";
        setLoginErrorTips(QStringLiteral("安全工作台启动异常，请重启电脑后重试！"), type, errorColour());
        return false;
    }
    const bool phone = type == PageLoginPhone;
    LoginCredentialPage* p = page(type);
    const QJsonObject& result = file.result;
    bool ok = true;
    switch (file.status) {
    case CS_DOC_SMS_CODE: {
        if (phone) {
            phoneImageInUse_ = false;
        } else {
            authMode_ = 2;
            accountImageInUse_ = false;
        }
        p->setStep(2);
        setLoginErrorTips(result.value(QLatin1String("sendSmsMsg")).toString(), type,
                          LoginColors::theme(Common::edition()));
        (phone ? phoneCodeCountDown_ : accountCodeCountDown_)->start(AuthCodeReply::waitSeconds(result));
        break;
    }
    case CS_DOC_IMAGE_CODE:
        if (!phone) {
            authMode_ = 1;
        }
        p->setStep(2);
        authImage_ = result.value(QLatin1String("authImage")).toString();
        (phone ? phoneImageInUse_ : accountImageInUse_) =
            saveBase64Imgae(phone ? ImageCode::phoneImagePath() : ImageCode::accountImagePath());
        break;
    default:
        LOG(INFO) << "parseVeskLoginFile status:" << file.status;
        setLoginErrorTips(file.msg, type, errorColour());
        ok = false;
        break;
    }
    const QString bindStatus =
        result.value(QLatin1String("bindData")).toObject().value(QLatin1String("bindStatus")).toString();
    const bool offerBind = bindStatus == QLatin1String("03") || bindStatus == QLatin1String("04");
    LOG(INFO) << (offerBind ? "show login device bind status!" : "hide login device bind status!");
    setPageLoginDeviceBindStatus(type, offerBind);
    refreshCodeButton(type);
    if (ok) {
        p->codeEdit()->setFocus();
    }
    return ok;
}
