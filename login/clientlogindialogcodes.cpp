// ClientLoginDialog: the code buttons of the login pages, their answers and count-downs, the
// image code and the failure lock count-downs.

#include "login/clientlogindialog.h"

#include "app/common.h"
#include "corviscommon/logging.h"
#include "corviscommon/secretmask.h"
#include "login/authcodereply.h"
#include "login/clientlogindialog_p.h"
#include "login/countdown.h"
#include "login/failurelock.h"
#include "login/imagecode.h"
#include "login/logincredentialpage.h"
#include "login/loginrequestbuilder.h"
#include "login/resetpasswordpage.h"
#include "src/CustomControl/cuslineedit.h"
#include "src/CustomControl/cuspasswordedit.h"

#include <QCheckBox>
#include <QIcon>
#include <QPushButton>

using clientlogin::errorColour;
using clientlogin::LockAccount;
using clientlogin::LockPhone;
using clientlogin::LockReset;

void ClientLoginDialog::setAuthcodeVisible(bool visible, bool alsoPhone)
{
    const QString placeholder = validateCodeType_ == 2 || authMode_ == 2 ? QStringLiteral("请输入验证码")
                                                                        : QStringLiteral("请输入动态码");
    accountPage_->setCodeVisible(visible, placeholder);
    if (alsoPhone) {
        phonePage_->setCodeVisible(visible, placeholder);
    }
}

void ClientLoginDialog::onBtnLoginAuthcodeClicked(PageLoginType type, const QString& text)
{
    Q_UNUSED(text);
    if (type != PageLoginAccount && type != PageLoginPhone) {
        return;
    }
    const QString error = loginAuthCodeVaildtyCheck(type);
    if (!error.isEmpty()) {
        setLoginErrorTips(error, type, errorColour());
        return;
    }
    setAuthCodeText(PageLoginTabs, true, type);
    const corvis::Edition edition = Common::edition();
    LoginRequestBuilder::Fields fields;
    fields.epoch = getEpochTime();
    fields.account = realAccount(type);
    fields.password = page(type)->passwordEdit()->text();
    if (LoginRequestBuilder::stopsLoginLock(type, edition)) {
        closeLoginLock();
        LOG(INFO) << "m_authCodeType: " << authMode_;
    }
    const std::optional<LoginRequest> request =
        LoginRequestBuilder::codeRequest(type, authMode_, validateCodeType_, edition, fields);
    if (request) {
        emit sendReqClientLogin(request->req, request->body);
        return;
    }
    // No code to ask for: a dynamic code comes from the user's token.
    if (validateCodeType_ == 0) {
        setAuthcodeVisible(false);
        LOG(INFO) << "noting to do, validateCodeType is " << validateCodeType_;
    }
    setAuthCodeText(PageLoginTabs, false, type);
}

void ClientLoginDialog::setAuthCodeText(PageIndex pageIndex, bool running, PageLoginType type)
{
    if (pageIndex == PageResetPwd) {
        resetPage_->codeButton()->setEnabled(!running);
        if (!running) {
            refreshResetCodeButton();
        }
        return;
    }
    if (running) {
        page(type)->codeButton()->setEnabled(false);
        return;
    }
    refreshCodeButton(type);
}

void ClientLoginDialog::refreshCodeButton(PageLoginType type)
{
    if (type != PageLoginAccount && type != PageLoginPhone) {
        return;
    }
    QPushButton* button = page(type)->codeButton();
    CountDown* countDown = type == PageLoginPhone ? phoneCodeCountDown_ : accountCodeCountDown_;
    if (countDown->isRunning()) {
        button->setIcon(QIcon());
        button->setText(CountDown::runningText(countDown->remaining()));
        button->setEnabled(false);
        return;
    }
    button->setEnabled(true);
    const bool image = type == PageLoginPhone ? phoneImageInUse_ : accountImageInUse_;
    if (image) {
        const QString path = type == PageLoginPhone ? ImageCode::phoneImagePath() : ImageCode::accountImagePath();
        button->setText(QString());
        button->setIcon(QIcon(path));
        button->setIconSize(button->size());
        return;
    }
    button->setIcon(QIcon());
    if (type == PageLoginPhone) {
        button->setText(QStringLiteral("发送验证码"));
    } else {
        button->setText(authMode_ == 2 ? QStringLiteral("获取验证码") : QStringLiteral("发送验证码"));
    }
}

void ClientLoginDialog::refreshResetCodeButton()
{
    QPushButton* button = resetPage_->codeButton();
    if (resetCodeCountDown_->isRunning()) {
        button->setText(CountDown::runningText(resetCodeCountDown_->remaining()));
        button->setEnabled(false);
    } else {
        button->setText(QStringLiteral("获取验证码"));
        button->setEnabled(true);
    }
}

void ClientLoginDialog::parseLoginAuthCodeResMsg(PageLoginType type, const QString& text)
{
    LOG(INFO) << "parseLoginAuthCodeResMsg enter, loginType: " << static_cast<int>(type) << ", "
              << corvis::logSafe(text);
    const bool vesk = Common::edition().isVesk();
    const bool image = text == QLatin1String("get ImageCode succ");
    int seconds = 60;
    if (type == PageLoginPhone) {
        if (image) {
            phoneImageInUse_ = saveBase64Imgae(ImageCode::phoneImagePath());
        } else if (parseLoginAuthCodeJson(type, text, seconds)) {
            phoneCodeCountDown_->start(seconds);
            phonePage_->codeEdit()->setFocus();
        }
        refreshCodeButton(type);
        return;
    }
    if (vesk) {
        authMode_ = 0;
    }
    if (image) {
        authMode_ = 1;
        if (vesk) {
            accountImageInUse_ = saveBase64Imgae(ImageCode::accountImagePath());
        }
    } else if (parseLoginAuthCodeJson(type, text, seconds)) {
        accountCodeCountDown_->start(seconds);
        accountPage_->codeEdit()->setFocus();
    }
    refreshCodeButton(type);
}

bool ClientLoginDialog::parseLoginAuthCodeJson(PageLoginType type, const QString& text, int& seconds)
{
    const AuthCodeReply reply = AuthCodeReply::parse(text);
    if (reply.outcome == AuthCodeReply::StatusError) {
        LOG(INFO) << "parseLoginAuthCodeJson status:" << reply.status;
    }
    if (reply.isError()) {
        setLoginErrorTips(reply.tip(), type, errorColour());
        return false;
    }
    seconds = reply.seconds;
    setLoginErrorTips(reply.tip(), type, LoginColors::theme(Common::edition()));
    return true;
}

bool ClientLoginDialog::saveBase64Imgae(const QString& path)
{
    return ImageCode::saveBase64Imgae(authImage_, path);
}

void ClientLoginDialog::startFailureLock(int lockPage, int kind, const QString& text)
{
    FailureLock*& lock = failureLocks_[lockPage];
    if (lock != nullptr && lock->isRunning()) {
        return;
    }
    delete lock;
    lock = new FailureLock(FailureLock::Kind(kind), this);
    lock->setObjectName(QStringLiteral("failureLock%1").arg(lockPage));
    if (lockPage == LockReset) {
        connect(lock, &FailureLock::tipChanged, this, [this](const QString& tip) { setResetErrorTips(tip, true); });
    } else {
        const PageLoginType type = lockPage == LockPhone ? PageLoginPhone : PageLoginAccount;
        connect(lock, &FailureLock::tipChanged, this,
                [this, type](const QString& tip) { setLoginErrorTips(tip, type, errorColour()); });
    }
    lock->start(text);
}

void ClientLoginDialog::handleCodeCheckFail(const QString& text, PageLoginType type)
{
    startFailureLock(type == PageLoginPhone ? LockPhone : LockAccount, FailureLock::LoginFailed, text);
}

void ClientLoginDialog::handleCodeCheckFail1(const QString& text, PageLoginType type)
{
    startFailureLock(type == PageLoginPhone ? LockPhone : LockAccount, FailureLock::LoginLocked, text);
}

void ClientLoginDialog::handleRestPswCodeCheckFail(const QString& text)
{
    startFailureLock(LockReset, FailureLock::ResetFailed, text);
}

void ClientLoginDialog::stopResetFailureLock()
{
    if (failureLocks_[LockReset] != nullptr) {
        failureLocks_[LockReset]->stop();
    }
}
