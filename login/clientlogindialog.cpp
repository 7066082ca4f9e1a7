#include "login/clientlogindialog.h"

#include "app/common.h"
#include "comm/uicomm.h"
#include "corviscommon/logging.h"
#include "src/PolicyAnalyzer/policyanalyzer.h"
#include "src/Views/notbuilt.h"

#include <QLabel>
#include <QVBoxLayout>

ClientLoginDialog* ClientLoginDialog::instance()
{
    static ClientLoginDialog* dialog = new ClientLoginDialog();
    return dialog;
}

ClientLoginDialog::ClientLoginDialog() : QWidget(nullptr)
{
    setObjectName(QStringLiteral("ClientLoginDialog"));
    auto* layout = new QVBoxLayout(this);
    auto* title = new QLabel(Common::softName(), this);
    title->setObjectName(QStringLiteral("labelSoftName"));
    title->setAlignment(Qt::AlignCenter);
    title->setStyleSheet(QStringLiteral("font-size: 28px;color: #1f5fbf;"));
    layout->addWidget(title);
}

void ClientLoginDialog::querySystemTitle(int attempt)
{
    LOG(INFO) << "FUNC(querySystemTitle) attempt: " << attempt;
    UiComm::instance()->apiCorvisclientCommon(CReqClientQuerySystemTitle, QString(), true);
}

void ClientLoginDialog::handleSystemTitle()
{
    if (!PolicyAnalyzer::instance()->parseSystemTitle(systemTitle_)) {
        logNotBuilt("ClientLoginDialog::handleSystemTitle", QStringLiteral("the 17 s retry"));
        return;
    }
    logNotBuilt("ClientLoginDialog::handleSystemTitle", QStringLiteral("the login tabs, menus: %1").arg(systemTitle_.loginMenu.size()));
}

bool ClientLoginDialog::updateCarousel()
{
    const bool ok = PolicyAnalyzer::instance()->parseCarousel(carousel_);
    LOG(INFO) << "FUNC(updateCarousel) ok: " << ok << ", enabled: " << carousel_.isCarouselEnabled
              << ", pictures: " << carousel_.showPic.size();
    return ok;
}

void ClientLoginDialog::onReqClientLoginResult(ClientReq req, QString text, bool isMsgError, int substatus)
{
    LOG(INFO) << "FUNC(onReqClientLoginResult) reqType: " << hexCode(req);
    logNotBuilt("ClientLoginDialog::onReqClientLoginResult",
                QStringLiteral("text: %1, isMsgError: %2, substatus: %3").arg(text).arg(isMsgError).arg(substatus));
}

void ClientLoginDialog::setLoginErrorTips(const QString& text, PageLoginType type, const QString& colour)
{
    logNotBuilt("ClientLoginDialog::setLoginErrorTips", QStringLiteral("text: %1, type: %2, colour: %3").arg(text).arg(type).arg(colour));
}

ClientLoginDialog::PageLoginType ClientLoginDialog::currentLoginType() const
{
    // Until the tabs are built there is only the account page.
    return PageLoginAccount;
}

void ClientLoginDialog::hideLogging()
{
    logNotBuilt("ClientLoginDialog::hideLogging");
}

void ClientLoginDialog::resultAfterAccessLogin(int state, const QString& text)
{
    logNotBuilt("ClientLoginDialog::resultAfterAccessLogin", QStringLiteral("state: %1, text: %2").arg(state).arg(text));
}

void ClientLoginDialog::onRecoverLoginBtn(ClientReq req)
{
    logNotBuilt("ClientLoginDialog::onRecoverLoginBtn", QStringLiteral("req: %1").arg(hexCode(req)));
}

void ClientLoginDialog::spaAutoFill(const QString& user, const QString& password)
{
    Q_UNUSED(password)
    logNotBuilt("ClientLoginDialog::spaAutoFill", QStringLiteral("user: %1").arg(user));
}

bool ClientLoginDialog::loginAuthCodeVaildtyCheckKAV() const
{
    // No account page yet, so nothing has been typed.
    return false;
}

void ClientLoginDialog::showDiskSpaceLack()
{
    logNotBuilt("ClientLoginDialog::showDiskSpaceLack");
}

void ClientLoginDialog::changeBackVersionBtnStatus(bool enable)
{
    logNotBuilt("ClientLoginDialog::changeBackVersionBtnStatus", QStringLiteral("enable: %1").arg(enable));
}

void ClientLoginDialog::logout()
{
    logNotBuilt("ClientLoginDialog::logout");
}

void ClientLoginDialog::exitClear()
{
    logNotBuilt("ClientLoginDialog::exitClear");
}

void ClientLoginDialog::initLoginDialog()
{
    logNotBuilt("ClientLoginDialog::initLoginDialog");
}
