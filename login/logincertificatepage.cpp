#include "login/logincertificatepage.h"

#include "corviscommon/productpaths.h"
#include "src/CustomControl/cusstyle.h"
#include "src/CustomControl/cuspicture.h"

#include <QLabel>
#include <QPixmap>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

namespace {

constexpr int kPictureWidth = 200;
constexpr int kPictureHeight = 150;
const char kNeutralStyle[] = "QLabel {font-size:16px; color: #2F2F2F;}";

}  // namespace

LoginCertificatePage::LoginCertificatePage(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("pageCert"));
    theme_ = QString::fromLatin1(cusstyle::kTheme);
    hover_ = QString::fromLatin1(cusstyle::kThemeHover);

    picture_ = new QLabel(this);
    picture_->setObjectName(QStringLiteral("labelCertPicture"));
    picture_->setFixedSize(kPictureWidth, kPictureHeight);
    picture_->setAlignment(Qt::AlignCenter);

    text_ = new QLabel(this);
    text_->setObjectName(QStringLiteral("labelCertText"));
    text_->setTextFormat(Qt::PlainText);
    text_->setWordWrap(true);
    text_->setAlignment(Qt::AlignCenter);

    error_ = new QLabel(this);
    error_->setObjectName(QStringLiteral("labelCertError"));
    error_->setTextFormat(Qt::PlainText);
    error_->setWordWrap(true);
    error_->setAlignment(Qt::AlignCenter);
    error_->setStyleSheet(failureStyle());

    progress_ = new QProgressBar(this);
    progress_->setObjectName(QStringLiteral("progressCert"));
    progress_->setAccessibleName(QStringLiteral("证书检测进度"));
    progress_->setRange(0, 100);
    progress_->setTextVisible(false);
    progress_->setFixedHeight(4);
    progress_->setStyleSheet(QStringLiteral("QProgressBar { background: %1; border: none; border-radius: 2px; }"
                                            "QProgressBar::chunk { background: %2; border-radius: 2px; }")
                                 .arg(QLatin1String(cusstyle::kTrack), QLatin1String(cusstyle::kTheme)));
    // Keeps its place in the layout while hidden, so the page does not jump.
    QSizePolicy keep = progress_->sizePolicy();
    keep.setRetainSizeWhenHidden(true);
    progress_->setSizePolicy(keep);

    timer_ = new QTimer(this);
    timer_->setObjectName(QStringLiteral("timerCertProgress"));
    timer_->setInterval(kProgressMs);
    connect(timer_, &QTimer::timeout, this, [this] { progress_->setValue((progress_->value() + 4) % 101); });

    login_ = new QPushButton(QStringLiteral("登    录"), this);
    login_->setObjectName(QStringLiteral("btnLoginCert"));
    login_->setAccessibleName(QStringLiteral("登录"));
    login_->setFixedHeight(42);
    login_->setCursor(Qt::PointingHandCursor);
    connect(login_, &QPushButton::clicked, this, &LoginCertificatePage::loginClicked);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(30, 24, 30, 10);
    layout->setSpacing(14);
    layout->addWidget(picture_, 0, Qt::AlignHCenter);
    layout->addWidget(text_);
    layout->addWidget(error_);
    layout->addWidget(progress_);
    layout->addWidget(login_);
    layout->addStretch(1);

    setIdle();
}

QString LoginCertificatePage::idleText()
{
    return QStringLiteral("请插入U-key点击登录");
}

QString LoginCertificatePage::detectingText()
{
    return QStringLiteral("正在检测证书，请稍候…");
}

QString LoginCertificatePage::detectingStyle()
{
    return QStringLiteral("QLabel {font-size:16px; color: #666666;}");
}

QString LoginCertificatePage::failureStyle()
{
    return QStringLiteral("QLabel {font-size:16px; color: #FF0000;}");
}

QString LoginCertificatePage::pictureFile()
{
    return corvis::paths::resource(QStringLiteral("default/clientlogin/证书认证.png"));
}

void LoginCertificatePage::setThemeColours(const QString& theme, const QString& hover)
{
    theme_ = theme;
    hover_ = hover;
    applyButtonStyle();
}

void LoginCertificatePage::showPicture()
{
    const QPixmap picture = CusPicture::load(pictureFile(), picture_->size());
    if (picture.isNull()) {
        picture_->clear();
        return;
    }
    picture_->setPixmap(picture);
}

void LoginCertificatePage::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    showPicture();
}

void LoginCertificatePage::finish()
{
    setProgressRunning(false);
    busy_ = false;
    login_->setEnabled(true);
    applyButtonStyle();
}

void LoginCertificatePage::setIdle()
{
    finish();
    showPicture();
    text_->setStyleSheet(QLatin1String(kNeutralStyle));
    text_->setText(idleText());
    clearError();
}

void LoginCertificatePage::setDetecting()
{
    busy_ = true;
    login_->setEnabled(false);
    applyButtonStyle();
    text_->setStyleSheet(detectingStyle());
    text_->setText(detectingText());
    clearError();
}

void LoginCertificatePage::setProgressRunning(bool running)
{
    if (running) {
        progress_->setValue(0);
        progress_->show();
        timer_->start();
    } else {
        timer_->stop();
        progress_->hide();
    }
}

void LoginCertificatePage::showFailure(const QString& text)
{
    finish();
    showPicture();
    text_->setStyleSheet(failureStyle());
    text_->setText(text);
    clearError();
}

void LoginCertificatePage::showRejection(const QString& text)
{
    finish();
    showPicture();
    text_->setStyleSheet(QLatin1String(kNeutralStyle));
    text_->setText(idleText());
    error_->setText(text);
    error_->setVisible(!text.isEmpty());
}

void LoginCertificatePage::showInfo(const QString& text, const QString& colour)
{
    finish();
    text_->setStyleSheet(QStringLiteral("QLabel {font-size:16px; color: %1;}").arg(colour));
    text_->setText(text);
    clearError();
}

void LoginCertificatePage::clearError()
{
    error_->clear();
    error_->hide();
}

void LoginCertificatePage::applyButtonStyle()
{
    if (busy_) {
        login_->setStyleSheet(QStringLiteral("QPushButton { background: white; color: %1; border: 1px solid #C0C4CC; "
                                             "border-radius: 4px; font-size: 16px; }")
                                  .arg(QLatin1String(cusstyle::kTextMuted)));
    } else {
        login_->setStyleSheet(QStringLiteral("QPushButton { background: %1; color: white; border: none; "
                                             "border-radius: 4px; font-size: 16px; }"
                                             "QPushButton:hover { background: %2; }")
                                  .arg(theme_, hover_));
    }
}
