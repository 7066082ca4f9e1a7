// ClientLoginDialog: the QR-code tab. The flow (QrLoginFlow) decides and its page paints; the
// dialog forwards its requests and results, starts it the first time its tab shows, stops it
// whenever the tab or the dialog goes away, and routes the QR login's tips to the QR page.

#include "login/clientlogindialog.h"

#include "app/common.h"
#include "corviscommon/logging.h"
#include "login/clientlogindialog_p.h"
#include "login/loginqrcodepage.h"
#include "login/qrloginflow.h"
#include "src/CustomControl/custabwidget.h"

#include <QHideEvent>
#include <QShowEvent>
#include <QStackedWidget>

using clientlogin::errorColour;

void ClientLoginDialog::addLoginPageQrcode()
{
    qrPage_ = new LoginQrcodePage(Common::edition(), this);
    qrPage_->hide();
    QrLoginFlow* flow = qrPage_->flow();
    connect(flow, &QrLoginFlow::sendRequest, this, &ClientLoginDialog::sendReqClientLogin);
    // Confirmed on the phone: the QR login runs, no other tab may start one meanwhile.
    connect(flow, &QrLoginFlow::lockTabBar, this, [this] { setTabWidgetLoginEnabled(PageLoginQrcode); });
}

void ClientLoginDialog::onLoginTabChanged(int index)
{
    if (tabTypes_.value(index, PageLoginAccount) == PageLoginQrcode) {
        startQrcodeOnce();
    } else {
        stopQrcodeFlow();
    }
}

void ClientLoginDialog::startQrcodeOnce()
{
    // A hidden dialog starts nothing; showing it comes back here.
    if (!isVisible() || outer_->currentIndex() != PageLoginTabs || loading_->currentIndex() != 1) {
        return;
    }
    // The embedded web of rolq has its own QR login.
    if (Common::edition().is(corvis::Edition::Id::Rolq) && systemTitle_.embeddedWeb != 0) {
        return;
    }
    LOG(INFO) << "QR-code tab selected";
    qrPage_->flow()->onTabShown();
}

void ClientLoginDialog::stopQrcodeFlow()
{
    qrPage_->flow()->stop();
}

void ClientLoginDialog::handleQrcodeResult(ClientReq req, const QString& text, bool isMsgError, int substatus)
{
    if (req == CReqClientLogin74) {
        handleLoginResult(LoginKind::Qrcode, req, text, isMsgError, substatus);
        return;
    }
    qrPage_->flow()->onResult(req, text, isMsgError);
}

// Error tips end the flow with the refresh picture; other tips are painted over the faded code.
void ClientLoginDialog::setQrcodeTip(const QString& text, const QString& colour)
{
    QrLoginFlow* flow = qrPage_->flow();
    if (colour == errorColour()) {
        flow->showError(text);
    } else if (!text.isEmpty()) {
        flow->showTip(text);
    }
}

// ---- showing and hiding ---------------------------------------------------------------------

void ClientLoginDialog::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    if (currentLoginType() == PageLoginQrcode && tabs_->count() > 0) {
        startQrcodeOnce();
    }
}

void ClientLoginDialog::hideEvent(QHideEvent* event)
{
    QWidget::hideEvent(event);
    // Minimising is not leaving: the code stays valid for the phone. Hiding or closing is.
    if (event->spontaneous()) {
        return;
    }
    stopQrcodeFlow();
    stopCertificateLogin();
}
