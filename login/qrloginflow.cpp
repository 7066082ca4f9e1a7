#include "login/qrloginflow.h"

#include "corviscommon/logging.h"
#include "corviscommon/productpaths.h"
#include "corviscommon/secretmask.h"
#include "login/logincolors.h"
#include "login/qrcodesymbol.h"
#include "src/PolicyAnalyzer/policyanalyzer.h"

#include <QTimer>

namespace {

const QString kDataError = QStringLiteral("后台数据处理异常！");
// The service handed over a URL the code cannot hold: refreshing would only bring the same one.
const QString kUrlTooLong = QStringLiteral("登录地址过长，无法生成二维码，请联系管理员");
// An ending status without a text of its own still tells the user what to do.
const QString kEndedFallback = QStringLiteral("二维码已失效，请点击刷新二维码");
const QString kRefreshText = QStringLiteral("刷新二维码");

bool holdsLineBreak(const QString& field)
{
    return field.contains(QLatin1Char('\n')) || field.contains(QLatin1Char('\r'));
}

enum ScanStatus {
    kWaiting = 2004,
    kScanned = 2001,
    kConfirmed = 2002,
    kExpired = 2003,
    kCancelledByService = 6002,
};

QString clientLoginPicture(const corvis::Edition& edition, const char* name)
{
    const QString folder = edition.isVesk() ? QStringLiteral("vesk/clientlogin/")
                                            : QStringLiteral("default/clientlogin/");
    return corvis::paths::resource(folder + QLatin1String(name));
}

}  // namespace

QrLoginFlow::QrLoginFlow(const corvis::Edition& edition, QObject* parent) : QObject(parent), edition_(edition)
{
    setObjectName(QStringLiteral("qrLoginFlow"));
    qRegisterMetaType<QrLoginView>("QrLoginView");
    qRegisterMetaType<ClientReq>("ClientReq");
    heartbeat_ = new QTimer(this);
    heartbeat_->setObjectName(QStringLiteral("timerQrHeartbeat"));
    heartbeat_->setInterval(kHeartbeatMs);
    connect(heartbeat_, &QTimer::timeout, this, &QrLoginFlow::onHeartbeatTick);
    view_.picture = QrLoginView::Blank;
}

QString QrLoginFlow::waitingHint(const corvis::Edition& edition)
{
    if (edition.is(corvis::Edition::Id::TirrowaUosX86)) {
        return QStringLiteral("打开手机澜讯，点击右上角“+”，使用扫一扫进行扫码登录");
    }
    if (edition.isVesk()) {
        return QString();
    }
    return QStringLiteral("打开并登录 移动端门户 扫描即可登录\n(可扫描二维码下载)");
}

QString QrLoginFlow::scanOkLogo(const corvis::Edition& edition)
{
    return clientLoginPicture(edition, "scan_ok.png");
}

QString QrLoginFlow::scanRefreshLogo(const corvis::Edition& edition)
{
    return clientLoginPicture(edition, "scan_refresh.png");
}

QString QrLoginFlow::loginBody(const st_qrcodeInfo& info)
{
    return QStringLiteral("%1%2%3").arg(info.username + QLatin1Char('\n'), info.authcode + QLatin1Char('\n'),
                                        info.sessionid);
}

bool QrLoginFlow::heartbeatOutstanding() const
{
    return heartbeatReq_.sent > heartbeatReq_.answered;
}

QrLoginFlow::Awaited& QrLoginFlow::awaited(ClientReq req)
{
    switch (req) {
    case CReqClientQrcodeSign:
        return sign_;
    case CReqClientQrcode72:
        return url72_;
    case CReqClientQrcode73:
        return heartbeatReq_;
    default:
        return cancel_;
    }
}

void QrLoginFlow::send(ClientReq req, const QString& body)
{
    // The QR login's result goes to the login dialog, not here.
    if (req != CReqClientLogin74) {
        Awaited& step = awaited(req);
        step.current = ++step.sent;
    }
    emit sendRequest(req, body);
}

void QrLoginFlow::forgetAwaited()
{
    for (Awaited* step : {&sign_, &url72_, &heartbeatReq_, &cancel_}) {
        step->current = 0;
    }
}

void QrLoginFlow::stopPolling()
{
    heartbeat_->stop();
}

void QrLoginFlow::setView(const QrLoginView& view)
{
    view_ = view;
    emit viewChanged(view_);
}

QrLoginView QrLoginFlow::waitingView() const
{
    QrLoginView view;
    view.picture = url_.isEmpty() ? QrLoginView::Blank : QrLoginView::Code;
    view.url = url_;
    view.hint = waitingHint(edition_);
    view.hintColour = LoginColors::hint();
    return view;
}

// Success tips are painted over the faded code; error tips go to the hint line and leave the
// refresh picture, so that a click on the code starts again.
QrLoginView QrLoginFlow::tipView(bool success, const QString& text) const
{
    QrLoginView view;
    view.url = url_;
    if (success) {
        view.picture = QrLoginView::Scanned;
        view.logo = scanOkLogo(edition_);
        view.overlayText = text;
        view.overlayColour = LoginColors::theme(edition_);
        view.hintColour = LoginColors::hint();
    } else {
        view.picture = QrLoginView::Refresh;
        view.logo = scanRefreshLogo(edition_);
        view.overlayText = kRefreshText;
        view.overlayColour = LoginColors::hint();
        view.hint = text;
        view.hintColour = LoginColors::error();
    }
    return view;
}

void QrLoginFlow::onTabShown()
{
    if (shownOnce_) {
        return;
    }
    shownOnce_ = true;
    onBtnLoginQrcodeClicked();
}

bool QrLoginFlow::onBtnLoginQrcodeClicked()
{
    LOG(INFO) << "FUNC(onBtnLoginQrcodeClicked) enter";
    if (info_.ready == 0) {
        LOG(INFO) << "FUNC(onBtnLoginQrcodeClicked) exit, noting to do";
        return false;
    }
    info_.ready = 0;
    info_.status = -1;
    info_.sign.clear();
    info_.username.clear();
    info_.authcode.clear();
    info_.sessionid.clear();
    info_.msg.clear();
    stopPolling();
    forgetAwaited();
    waitLogged_ = false;
    url_.clear();
    shownOnce_ = true;
    stage_ = Stage::Signing;
    setView(waitingView());
    send(CReqClientQrcodeSign, QString());
    LOG(INFO) << "FUNC(onBtnLoginQrcodeClicked) exit, begin login";
    return true;
}

void QrLoginFlow::onBtnLoginQrcodeCancelClicked()
{
    LOG(INFO) << "m_pLoginQrcodeCancel clicked";
    if (stage_ == Stage::LoggingIn || stage_ == Stage::Cancelling) {
        // The QR login is on its way, or a cancel already is.
        return;
    }
    stopPolling();
    forgetAwaited();
    if (info_.sign.isEmpty()) {
        // No code was handed out: there is nothing to cancel at the service, only to start again.
        info_.ready = 1;
        stage_ = Stage::Idle;
        onBtnLoginQrcodeClicked();
        return;
    }
    stage_ = Stage::Cancelling;
    QrLoginView view = view_;
    view.cancelEnabled = false;
    setView(view);
    send(CReqClientLogin82, info_.sign);
}

void QrLoginFlow::onHeartbeatTick()
{
    if (stage_ != Stage::Polling) {
        stopPolling();
        return;
    }
    if (heartbeatOutstanding()) {
        if (!waitLogged_) {
            LOG(WARNING) << "FUNC(onHeartbeatTick) the last heartbeat is still unanswered, waiting for it";
            waitLogged_ = true;
        }
        return;
    }
    waitLogged_ = false;
    send(CReqClientQrcode73, info_.sign);
}

bool QrLoginFlow::onResult(ClientReq req, const QString& text, bool isMsgError)
{
    if (req != CReqClientQrcodeSign && req != CReqClientQrcode72 && req != CReqClientQrcode73 &&
        req != CReqClientLogin82) {
        return false;
    }
    Awaited& step = awaited(req);
    if (step.answered == step.sent) {
        LOG(WARNING) << "QR-code answer " << hexCode(req) << " without a request, dropped";
        return true;
    }
    ++step.answered;
    if (step.current == 0 || step.answered != step.current) {
        LOG(INFO) << "QR-code answer " << hexCode(req) << " belongs to an earlier flow, dropped";
        return true;
    }
    step.current = 0;
    switch (req) {
    case CReqClientQrcodeSign:
        onSign(text, isMsgError);
        break;
    case CReqClientQrcode72:
        onUrl(text, isMsgError);
        break;
    case CReqClientQrcode73:
        onHeartbeat(text, isMsgError);
        break;
    default:
        onCancel(text, isMsgError);
        break;
    }
    return true;
}

void QrLoginFlow::onSign(const QString& text, bool isMsgError)
{
    if (isMsgError) {
        showError(text);
        return;
    }
    QString sign;
    if (!PolicyAnalyzer::instance()->parseQrcodeSign(text, sign) || sign.isEmpty()) {
        showError(kDataError);
        return;
    }
    info_.sign = sign;
    stage_ = Stage::FetchingUrl;
    send(CReqClientQrcode72, sign);
}

void QrLoginFlow::onUrl(const QString& text, bool isMsgError)
{
    if (isMsgError) {
        showError(text);
        return;
    }
    QString url;
    if (!PolicyAnalyzer::instance()->parseQrcodeUrl(text, url) || url.isEmpty()) {
        showError(kDataError);
        return;
    }
    const QrCodeSymbol symbol = QrCodeSymbol::encode(url);
    if (symbol.isNull()) {
        LOG(ERROR) << "QR code of the login URL cannot be made, " << url.toUtf8().size() << " bytes, error "
                   << static_cast<int>(symbol.error());
        showError(symbol.error() == QrCodeSymbol::TooLong ? kUrlTooLong : kDataError);
        return;
    }
    url_ = url;
    stage_ = Stage::Polling;
    setView(waitingView());
    heartbeat_->start();
}

void QrLoginFlow::onHeartbeat(const QString& text, bool isMsgError)
{
    if (stage_ != Stage::Polling) {
        return;
    }
    if (isMsgError) {
        showError(text);
        return;
    }
    const int previous = info_.status;
    if (!PolicyAnalyzer::instance()->parseQrcodeHeartbeat(text, info_)) {
        // Not even masked: a broken document may carry the credentials where no mask finds them.
        LOG(WARNING) << "QR-code heartbeat unreadable, " << text.size() << " characters";
        showError(kDataError);
        return;
    }
    onStatus(previous);
}

void QrLoginFlow::onStatus(int previous)
{
    const int status = info_.status;
    if (status != previous) {
        LOG(INFO) << "QR-code scan status " << status << (info_.username.isEmpty() ? "" : ", user ")
                  << corvis::logSafe(info_.username);
    }
    switch (status) {
    case kWaiting:
        if (previous != kWaiting) {
            setView(waitingView());
        }
        break;
    case kScanned: {
        // Every 2001 paints again: the user may have changed on the phone.
        QrLoginView view = tipView(true, QStringLiteral("“%1”扫描成功").arg(info_.username));
        view.scanIndicator = edition_.is(corvis::Edition::Id::TirrowaUosX86);
        setView(view);
        break;
    }
    case kConfirmed:
        if (previous == kConfirmed) {
            break;
        }
        stopPolling();
        if (info_.username.isEmpty() || info_.authcode.isEmpty() || info_.sessionid.isEmpty()) {
            // A login without its credentials can only fail at the service.
            LOG(WARNING) << "QR-code confirmation without its credentials";
            showError(kDataError);
            break;
        }
        if (holdsLineBreak(info_.username) || holdsLineBreak(info_.authcode) || holdsLineBreak(info_.sessionid)) {
            // The body is one field per line: a field holding a line break would add fields of its own.
            LOG(ERROR) << "QR-code login of " << corvis::logSafe(info_.username) << " refused: a field holds a line break";
            showError(kDataError);
            break;
        }
        stage_ = Stage::LoggingIn;
        emit lockTabBar();
        {
            QrLoginView view = tipView(true, edition_.is(corvis::Edition::Id::TirrowaUosX86)
                                                 ? QStringLiteral("登录成功")
                                                 : info_.msg);
            view.scanIndicator = view_.scanIndicator;
            view.cancelEnabled = false;
            setView(view);
        }
        LOG(INFO) << "QR-code login of " << corvis::logSafe(info_.username) << " sent";
        send(CReqClientLogin74, loginBody(info_));
        break;
    case kExpired:
    case kCancelledByService:
        showError(info_.msg.isEmpty() ? kEndedFallback : info_.msg);
        break;
    default:
        LOG(WARNING) << "error status: " << status;
        showError(info_.msg.isEmpty() ? kEndedFallback : info_.msg);
        break;
    }
}

void QrLoginFlow::onCancel(const QString& text, bool isMsgError)
{
    if (isMsgError) {
        LOG(WARNING) << "loginQrcodeCancel error: " << corvis::logSafe(text);
    }
    info_.ready = 1;
    stage_ = Stage::Idle;
    onBtnLoginQrcodeClicked();
}

void QrLoginFlow::stop()
{
    stopPolling();
    if (stage_ == Stage::Idle || stage_ == Stage::LoggingIn) {
        return;
    }
    LOG(INFO) << "QR-code login stopped";
    forgetAwaited();
    stage_ = Stage::Idle;
    info_.ready = 1;
    QrLoginView view = tipView(false, QString());
    view.hint.clear();
    setView(view);
}

void QrLoginFlow::clear()
{
    stopPolling();
    forgetAwaited();
    stage_ = Stage::Idle;
    // The scanned user stays for the result rows that name him (bind again); the one-time
    // credentials and the sign of the ended flow go.
    const QString username = info_.username;
    info_ = st_qrcodeInfo();
    info_.username = username;
    url_.clear();
    shownOnce_ = false;
    QrLoginView view = tipView(false, QString());
    view.hint.clear();
    setView(view);
}

void QrLoginFlow::showError(const QString& text)
{
    stopPolling();
    forgetAwaited();
    stage_ = Stage::Idle;
    info_.ready = 1;
    setView(tipView(false, text));
}

void QrLoginFlow::resetHint()
{
    QrLoginView view = view_;
    view.hint = waitingHint(edition_);
    view.hintColour = LoginColors::hint();
    setView(view);
}

void QrLoginFlow::showTip(const QString& text)
{
    QrLoginView view = tipView(true, text);
    view.scanIndicator = view_.scanIndicator;
    view.cancelEnabled = view_.cancelEnabled;
    setView(view);
}
