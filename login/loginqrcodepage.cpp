#include "login/loginqrcodepage.h"

#include "corviscommon/logging.h"
#include "login/logincolors.h"
#include "login/mqrcode.h"
#include "login/qrloginflow.h"
#include "src/CustomControl/custiplabel.h"

#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

LoginQrcodePage::LoginQrcodePage(const corvis::Edition& edition, QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("pageQrcode"));
    const QString theme = LoginColors::theme(edition);
    flow_ = new QrLoginFlow(edition, this);

    code_ = new QPushButton(this);
    code_->setObjectName(QStringLiteral("btnLoginQrcode"));
    code_->setAccessibleName(QStringLiteral("登录二维码"));
    code_->setFixedSize(kCodeSide, kCodeSide);
    code_->setCursor(Qt::PointingHandCursor);
    code_->setFocusPolicy(Qt::StrongFocus);
    code_->setStyleSheet(QStringLiteral("QPushButton { background: white; border: 1px solid #E8EDF3; border-radius: 4px; }"));

    scanned_ = new QLabel(QStringLiteral("● 已扫码，请在手机上确认登录"), this);
    scanned_->setObjectName(QStringLiteral("labelQrcodeScanned"));
    scanned_->setAccessibleName(QStringLiteral("扫码状态"));
    scanned_->setTextFormat(Qt::PlainText);
    scanned_->setAlignment(Qt::AlignCenter);
    scanned_->setStyleSheet(QStringLiteral("font-size: 14px; color: %1;").arg(theme));
    scanned_->hide();

    hint_ = new CusTipLabel(this);
    hint_->setObjectName(QStringLiteral("labelQrcodeHint"));
    hint_->setAccessibleName(QStringLiteral("扫码提示"));
    hint_->setColours(LoginColors::error(), theme);
    hint_->setPixelSize(16);
    hint_->setAlignment(Qt::AlignCenter);
    hint_->setMinimumWidth(kCodeSide + 80);

    cancel_ = new QPushButton(QStringLiteral("取消登录"), this);
    cancel_->setObjectName(QStringLiteral("btnLoginQrcodeCancel"));
    cancel_->setAccessibleName(QStringLiteral("取消登录"));
    cancel_->setFlat(true);
    cancel_->setCursor(Qt::PointingHandCursor);
    cancel_->setStyleSheet(QStringLiteral("QPushButton { color: %1; font-size: 14px; border: none; }"
                                          "QPushButton:disabled { color: #C0C4CC; }")
                               .arg(theme));

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 16, 0, 8);
    layout->setSpacing(10);
    layout->addWidget(code_, 0, Qt::AlignHCenter);
    layout->addWidget(scanned_);
    layout->addWidget(hint_);
    layout->addWidget(cancel_, 0, Qt::AlignHCenter);
    layout->addStretch(1);

    connect(code_, &QPushButton::clicked, flow_, &QrLoginFlow::onBtnLoginQrcodeClicked);
    connect(cancel_, &QPushButton::clicked, flow_, &QrLoginFlow::onBtnLoginQrcodeCancelClicked);
    connect(flow_, &QrLoginFlow::viewChanged, this, &LoginQrcodePage::apply);
    apply(flow_->view());
}

QPixmap LoginQrcodePage::codePicture(const QString& url)
{
    if (url.isEmpty()) {
        return MQRcode::blankPicture(code_);
    }
    if (url != codeUrl_ || codePixmap_.isNull()) {
        const QImage image = MQRcode::generateQRcode(code_, url);
        if (image.isNull()) {
            return MQRcode::blankPicture(code_);
        }
        codeUrl_ = url;
        codePixmap_ = QPixmap::fromImage(image);
    }
    return codePixmap_;
}

void LoginQrcodePage::paintCode(const QrLoginView& view)
{
    switch (view.picture) {
    case QrLoginView::Blank:
        code_->setIcon(QIcon(MQRcode::blankPicture(code_)));
        code_->setIconSize(QSize(kCodeSide - MQRcode::kIconMargin, kCodeSide - MQRcode::kIconMargin));
        code_->setAccessibleName(QStringLiteral("登录二维码"));
        break;
    case QrLoginView::Code: {
        const QImage image = MQRcode::generateQRcode(code_, view.url);
        if (image.isNull()) {
            // The flow checks that the URL fits before it asks for the code; should the painting
            // fail anyway, the page must not stay empty.
            LOG(ERROR) << "QR code could not be painted";
            QMetaObject::invokeMethod(
                flow_, [flow = flow_] { flow->showError(QStringLiteral("后台数据处理异常！")); }, Qt::QueuedConnection);
            return;
        }
        codeUrl_ = view.url;
        codePixmap_ = QPixmap::fromImage(image);
        code_->setAccessibleName(QStringLiteral("登录二维码"));
        break;
    }
    case QrLoginView::Scanned:
    case QrLoginView::Refresh:
        MQRcode::addLogoText(code_, MQRcode::blurImage(codePicture(view.url)), view.logo, view.overlayText,
                             view.overlayColour);
        code_->setAccessibleName(view.overlayText);
        break;
    }
}

void LoginQrcodePage::apply(const QrLoginView& view)
{
    paintCode(view);
    hint_->setTip(view.hint, view.hintColour.isEmpty() ? LoginColors::hint() : view.hintColour);
    scanned_->setVisible(view.scanIndicator);
    cancel_->setEnabled(view.cancelEnabled);
}
