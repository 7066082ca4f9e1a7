#include "src/Views/pagespa.h"

#include "corviscommon/logging.h"
#include "corviscommon/secretmask.h"
#include "src/CustomControl/custabwidget.h"
#include "src/Views/notbuilt.h"

#include <QLabel>
#include <QStackedWidget>
#include <QVBoxLayout>

PageSPA* PageSPA::instance()
{
    static PageSPA* page = new PageSPA();
    return page;
}

PageSPA::PageSPA() : QWidget(nullptr)
{
    setObjectName(QStringLiteral("PageSPA"));
    auto* layout = new QVBoxLayout(this);
    auto* title = new QLabel(QStringLiteral("预认证"), this);
    title->setObjectName(QStringLiteral("labelSpaTitle"));
    title->setAlignment(Qt::AlignCenter);
    title->setStyleSheet(QStringLiteral("font-size: 28px;color: black;"));
    layout->addWidget(title);

    stack_ = new QStackedWidget(this);
    stack_->setObjectName(QStringLiteral("spaStack"));
    stack_->addWidget(new QWidget(stack_));
    oauthTabs_ = new CusTabWidget(stack_);
    oauthTabs_->setObjectName(QStringLiteral("spaOauthTabs"));
    oauthTabs_->setTabsCentered(true);
    for (const QString& text : {QStringLiteral("扫码登录"), QStringLiteral("微信扫码"), QStringLiteral("账号登录"),
                                QStringLiteral("重置密码")}) {
        oauthTabs_->addTab(new QWidget(oauthTabs_), text);
    }
    oauthTabs_->setTabVisible(OauthReset, false);
    stack_->addWidget(oauthTabs_);
    stack_->addWidget(new QWidget(stack_));
    layout->addWidget(stack_, 1);
}

void PageSPA::initSPAPage(redoSpaStatus status)
{
    LOG(INFO) << "PageSPA::initSPAPage";
    autoLogin_ = false;
    logNotBuilt("PageSPA::initSPAPage", QStringLiteral("status: %1").arg(status));
}

void PageSPA::onOauthToLogin()
{
    oauthTabs_->setCurrentIndex(OauthAccount);
    oauthTabs_->setTabVisible(OauthReset, false);
}

void PageSPA::onOauthToReset()
{
    stack_->setCurrentWidget(oauthTabs_);
    oauthTabs_->setTabVisible(OauthReset, true);
    oauthTabs_->setCurrentIndex(OauthReset);
    logNotBuilt("PageSPA::onOauthToReset", QStringLiteral("the reset form"));
}

bool PageSPA::isInOauthResetPage() const
{
    return oauthTabs_->currentIndex() == OauthReset;
}

void PageSPA::slot_SPA_login_result(bool ok, const QString& msg)
{
    LOG(INFO) << "slot_SPA_login_result, flag:" << ok;
    logNotBuilt("PageSPA::slot_SPA_login_result", QStringLiteral("msg: %1").arg(corvis::logSafe(msg)));
    emit spaResultShown(ok, msg);
}

bool PageSPA::needAutoLogin(QString& account, QString& password)
{
    if (!autoLogin_) {
        return false;
    }
    autoLogin_ = false;
    account = account_;
    password = password_;
    return true;
}

void PageSPA::onOauthResetBtnAuthCode(bool clicked)
{
    logNotBuilt("PageSPA::onOauthResetBtnAuthCode", QStringLiteral("clicked: %1").arg(clicked));
    if (!clicked) {
        emit oauthResetStepStarted(CReqClientOauthResetAuthCode);
    }
}

void PageSPA::onOauthResetBtnCommit(bool clicked)
{
    logNotBuilt("PageSPA::onOauthResetBtnCommit", QStringLiteral("clicked: %1").arg(clicked));
    if (!clicked) {
        emit oauthResetStepStarted(CReqClientOauthResetCommit);
    }
}

void PageSPA::handleOauthResetAuthCode(const QString& msg, bool failed)
{
    logNotBuilt("PageSPA::handleOauthResetAuthCode", QStringLiteral("msg: %1, failed: %2").arg(corvis::logSafe(msg)).arg(failed));
    emit oauthResetResultShown(CReqClientOauthResetAuthCode, msg, failed);
}

void PageSPA::handleOauthResetCommit(const QString& msg, bool failed)
{
    logNotBuilt("PageSPA::handleOauthResetCommit", QStringLiteral("msg: %1, failed: %2").arg(corvis::logSafe(msg)).arg(failed));
    emit oauthResetResultShown(CReqClientOauthResetCommit, msg, failed);
}

void PageSPA::slot_btn_common_login_clicked()
{
    LOG(INFO) << "slot_btn_common_login_clicked, currentIndex:" << stack_->currentIndex();
    logNotBuilt("PageSPA::slot_btn_common_login_clicked");
}
