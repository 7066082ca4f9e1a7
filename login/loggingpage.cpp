#include "login/loggingpage.h"

#include "corviscommon/productpaths.h"
#include "src/CustomControl/cusstyle.h"
#include "src/CustomControl/cuspicture.h"

#include <QLabel>
#include <QMovie>
#include <QPixmap>
#include <QVBoxLayout>

LoggingPage::LoggingPage(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("pageLogging"));
    picture_ = new QLabel(this);
    picture_->setObjectName(QStringLiteral("labelLoggingPicture"));
    picture_->setAlignment(Qt::AlignCenter);
    picture_->setMinimumSize(190, 220);
    text_ = new QLabel(this);
    text_->setObjectName(QStringLiteral("labelLoggingText"));
    text_->setAlignment(Qt::AlignCenter);
    text_->setWordWrap(true);
    text_->setStyleSheet(QStringLiteral("font-size: 16px; color: %1;").arg(QLatin1String(cusstyle::kText)));
    auto* layout = new QVBoxLayout(this);
    layout->addStretch(1);
    layout->addWidget(picture_, 0, Qt::AlignHCenter);
    layout->addWidget(text_);
    layout->addStretch(1);
}

void LoggingPage::setStatus(int status, const corvis::Edition& edition, bool firstInstall)
{
    status_ = status;
    const bool vesk = edition.isVesk();
    stop();
    picture_->clear();
    switch (status) {
    case 0: {
        movie_ = new QMovie(corvis::paths::resource(QStringLiteral("default/clientmain/loading.gif")), QByteArray(),
                            this);
        picture_->setMovie(movie_);
        movie_->start();
        if (vesk) {
            text_->setText(firstInstall ? QStringLiteral("首次创建安全工作台耗时会较长\n请稍等")
                                        : QStringLiteral("正在创建您电脑上的安全工作台"));
        } else if (edition.is(corvis::Edition::Id::Kav)) {
            text_->setText(QStringLiteral("正在打开安全空间"));
        } else {
            text_->clear();
        }
        break;
    }
    case 1:
        movie_ = new QMovie(corvis::paths::resource(QStringLiteral("default/clientmain/loading.gif")), QByteArray(),
                            this);
        picture_->setMovie(movie_);
        movie_->start();
        text_->setText(QStringLiteral("正在进行接入检查，请稍等"));
        break;
    case 2:
    case 3: {
        const QString name = status == 2 ? QStringLiteral("right_succ.png") : QStringLiteral("right_fail.png");
        const QString dir = vesk ? QStringLiteral("vesk/clientlogin/") : QStringLiteral("default/clientlogin/");
        picture_->setPixmap(CusPicture::load(corvis::paths::resource(dir + name), QSize(190, 220), false));
        text_->setText(status == 2 ? QStringLiteral("接入检查已完成，符合安全检查策略")
                                   : QStringLiteral("接入检查失败，详情请见页面提示！"));
        break;
    }
    default:
        text_->clear();
        break;
    }
}

QString LoggingPage::text() const
{
    return text_->text();
}

void LoggingPage::stop()
{
    if (movie_ != nullptr) {
        movie_->stop();
        picture_->setMovie(nullptr);
        movie_->deleteLater();
        movie_ = nullptr;
    }
}

bool LoggingPage::isAnimating() const
{
    return movie_ != nullptr && movie_->state() == QMovie::Running;
}
