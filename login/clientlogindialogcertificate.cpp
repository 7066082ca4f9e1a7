// ClientLoginDialog: the certificate (USB-key) tab. The key is read on the global thread pool
// (CertificateLogin::prepare: challenge, certificates, signatures); the outcome comes back to the
// GUI thread, which shows the page's message or sends the certificate login (4101). When the
// service refuses a certificate, the next one found on the keys goes out at once.

#include "login/clientlogindialog.h"

#include "app/common.h"
#include "corviscommon/logging.h"
#include "corviscommon/secretmask.h"
#include "login/certificatelogin.h"
#include "login/certificatepindialog.h"
#include "login/clientlogindialog_p.h"
#include "login/logincertificatepage.h"
#include "login/logincolors.h"
#include "src/CustomControl/custabwidget.h"

#include <openssl/crypto.h>

#include <QThreadPool>

using clientlogin::errorColour;

void ClientLoginDialog::addLoginPageCertificate()
{
    const corvis::Edition edition = Common::edition();
    certificate_ = std::make_shared<CertificateLogin>();
    certPage_ = new LoginCertificatePage(this);
    certPage_->setThemeColours(LoginColors::theme(edition), LoginColors::themeHover(edition));
    certPage_->hide();
    pinDialog_ = new CertificatePinDialog(this);
    connect(certPage_, &LoginCertificatePage::loginClicked, this, &ClientLoginDialog::onClickCerBtnLogin);
    connect(pinDialog_, &CertificatePinDialog::confirmed, this, [this] {
        QString pin = pinDialog_->takePin();
        certificate_->setPin(pin);
        pin.fill(QChar(0));
        startCertificateReading();
    });
    connect(pinDialog_, &CertificatePinDialog::cancelled, this, [this] {
        LOG(INFO) << "certificate login: PIN not given";
        certPage_->setIdle();
        setTabWidgetLoginEnabled(true);
    });
}

void ClientLoginDialog::onClickCerBtnLogin()
{
    LOG(INFO) << "onClickCerBtnLogin";
    // One certificate login at a time.
    if (certReadingRuns_ || certAwaitingResult_ || pinDialog_->isVisible()) {
        return;
    }
    stopQrcodeFlow();
    certPage_->setDetecting();
    setTabWidgetLoginEnabled(PageLoginCert);
    if (systemTitle_.certAuthSign != 0) {
        certificate_->clearPin();
        pinDialog_->ask();
        return;
    }
    startCertificateReading();
}

void ClientLoginDialog::startCertificateReading()
{
    certPage_->setProgressRunning(true);
    const quint64 reading = ++certReading_;
    certReadingRuns_ = true;
    const bool certAuthSign = systemTitle_.certAuthSign != 0;
    const std::shared_ptr<CertificateLogin> login = certificate_;
    // CertificateLoginBefore: the controller and the key may take seconds; the GUI thread only
    // shows the progress meanwhile. The dialog is never destroyed, so the outcome always has
    // somewhere to go; a cancelled reading's outcome is dropped there.
    QThreadPool::globalInstance()->start([this, login, certAuthSign, reading] {
        const CertificateLogin::Step step = login->prepare(certAuthSign);
        const int outcome = static_cast<int>(step.outcome);
        const QString body = QString::fromStdString(step.body);
        // The pool keeps this thread; OpenSSL's per-thread state goes now, not when it ends.
        OPENSSL_thread_stop();
        QMetaObject::invokeMethod(
            this, [this, reading, outcome, body] { applyCertificateStep(reading, outcome, body); },
            Qt::QueuedConnection);
    });
}

void ClientLoginDialog::applyCertificateStep(quint64 reading, int outcome, const QString& body)
{
    if (reading != certReading_) {
        LOG(INFO) << "certificate reading " << reading << " ended after it was cancelled, dropped";
        return;
    }
    certReadingRuns_ = false;
    const auto step = static_cast<CertificateLogin::Outcome>(outcome);
    if (step != CertificateLogin::Outcome::Send) {
        certPage_->showFailure(CertificateLogin::messageFor(step));
        setTabWidgetLoginEnabled(true);
        return;
    }
    certAwaitingResult_ = true;
    emit sendReqClientLogin(CReqClientVeskCheckCertificate, body);
}

void ClientLoginDialog::handleCertificateResult(const QString& text, bool isMsgError)
{
    LOG(INFO) << "CReqClientVeskCheckCertificate: " << corvis::logSafe(text) << ", "
              << static_cast<int>(currentLoginType()) << ", " << isMsgError;
    const bool awaited = certAwaitingResult_;
    certAwaitingResult_ = false;
    if (isMsgError && awaited && currentLoginType() == PageLoginCert) {
        // Refused: the next certificate on the keys goes out at once, without a tip.
        std::string next;
        if (certificate_->nextBody(&next)) {
            certAwaitingResult_ = true;
            emit sendReqClientLogin(CReqClientVeskCheckCertificate, QString::fromStdString(next));
            return;
        }
    }
    handleLoginResult(LoginKind::Certificate, CReqClientVeskCheckCertificate, text, isMsgError, 0);
}

// Error tips are the service's refusal in the error line; other tips replace the page text.
void ClientLoginDialog::setCertificateTip(const QString& text, const QString& colour)
{
    if (colour == errorColour()) {
        certPage_->showRejection(text);
    } else if (text.isEmpty()) {
        certPage_->clearError();
    } else {
        certPage_->showInfo(text, colour);
    }
}

void ClientLoginDialog::stopCertificateLogin()
{
    const bool running = certReadingRuns_ || certAwaitingResult_ || pinDialog_->isVisible();
    if (running) {
        LOG(INFO) << "certificate login stopped";
        // A reading still on the worker ends there; its outcome finds another number here.
        ++certReading_;
        certReadingRuns_ = false;
        certAwaitingResult_ = false;
        pinDialog_->dismiss();
        setTabWidgetLoginEnabled(true);
    }
    // What was read of the keys goes with the login; a reading on the worker keeps its own.
    auto fresh = std::make_shared<CertificateLogin>();
    fresh->setLibrary(certificate_->library());
    certificate_->clearPin();
    certificate_ = fresh;
    certPage_->setIdle();
}
