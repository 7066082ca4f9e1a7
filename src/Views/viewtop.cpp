#include "src/Views/viewtop.h"

#include "app/common.h"
#include "comm/uicomm.h"
#include "corviscommon/logging.h"
#include "src/CustomControl/cusbubblebutton.h"
#include "src/Views/dialoginform.h"
#include "src/Views/dialogpersonalcenter.h"

#include <QAction>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QToolButton>

namespace {

QPushButton* iconButton(const QString& name, const QString& icon, const QString& tip, QWidget* parent)
{
    auto* button = new QPushButton(QIcon(icon), QString(), parent);
    button->setObjectName(name);
    button->setToolTip(tip);
    // The picture alone names it: a screen reader reads the tip's text.
    button->setAccessibleName(tip);
    button->setFixedSize(32, 32);
    button->setIconSize(QSize(20, 20));
    button->setCursor(Qt::PointingHandCursor);
    button->setFlat(true);
    return button;
}

}  // namespace

ViewTop::ViewTop(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("ViewTop"));
    setAttribute(Qt::WA_StyledBackground, true);
    setStyleSheet(QStringLiteral("#ViewTop{background-color: white;border-bottom: 1px solid #E4E7ED;}"
                                 "QPushButton, QToolButton{border: none;background: transparent;}"
                                 "QPushButton:disabled{background-color: #F0F0F0;border-radius: 4px;}"));
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(24, 0, 8, 0);
    layout->setSpacing(8);

    welcome_ = new QLabel(this);
    welcome_->setObjectName(QStringLiteral("labelWelcome"));
    welcome_->setStyleSheet(QStringLiteral("font-size: 16px;color: #2F2F2F;"));
    layout->addWidget(welcome_);
    layout->addStretch(1);

    refresh_ = iconButton(QStringLiteral("btnRefresh"), QStringLiteral(":/resources/Img/icon_refresh.png"),
                          QStringLiteral("刷新"), this);
    connect(refresh_, &QPushButton::clicked, this, &ViewTop::sendRefresh);
    layout->addWidget(refresh_);

    message_ = new CusBubbleButton(this);
    message_->setObjectName(QStringLiteral("btnMessage"));
    message_->setIcon(QIcon(QStringLiteral(":/resources/Img/icon_message.png")));
    message_->setToolTip(QStringLiteral("消息"));
    message_->setAccessibleName(QStringLiteral("消息"));
    message_->setAccessibleDescription(QStringLiteral("打开消息中心"));
    message_->setFixedSize(40, 32);
    message_->setIconSize(QSize(20, 20));
    message_->setCursor(Qt::PointingHandCursor);
    connect(message_, &QPushButton::clicked, this, &ViewTop::showInform);
    layout->addWidget(message_);

    user_ = new QToolButton(this);
    user_->setObjectName(QStringLiteral("btnUserMenu"));
    user_->setAccessibleName(QStringLiteral("用户菜单"));
    user_->setIcon(QIcon(QStringLiteral(":/resources/Img/icon_user.png")));
    user_->setIconSize(QSize(24, 24));
    user_->setAccessibleName(QStringLiteral("用户菜单"));
    user_->setAccessibleDescription(QStringLiteral("个人中心、资源申请、注销"));
    // Not an instant popup: a screen reader opens only this kind through its "show menu" action.
    // A click opens the menu as well, and the arrow part is not drawn.
    user_->setPopupMode(QToolButton::MenuButtonPopup);
    user_->setStyleSheet(QStringLiteral("QToolButton::menu-button { width: 0px; border: none; }"
                                        "QToolButton { padding-right: 0px; }"));
    connect(user_, &QToolButton::clicked, user_, &QToolButton::showMenu);
    user_->setCursor(Qt::PointingHandCursor);
    auto* menu = new QMenu(user_);
    QAction* personal = menu->addAction(QStringLiteral("个人中心"));
    personal->setObjectName(QStringLiteral("actionPersonalCenter"));
    connect(personal, &QAction::triggered, this, &ViewTop::onPersonalCenter);
    QAction* applyFor = menu->addAction(QStringLiteral("资源申请"));
    applyFor->setObjectName(QStringLiteral("actionApplyFor"));
    connect(applyFor, &QAction::triggered, this, &ViewTop::onApplyFor);
    QAction* logout = menu->addAction(QStringLiteral("注销"));
    logout->setObjectName(QStringLiteral("actionLogout"));
    connect(logout, &QAction::triggered, this, &ViewTop::onLogout);
    user_->setMenu(menu);
    layout->addWidget(user_);
    layout->addSpacing(16);

    QPushButton* minimize = iconButton(QStringLiteral("btnTopMin"), QStringLiteral(":/resources/Img/btn_min.png"),
                                       QStringLiteral("最小化"), this);
    connect(minimize, &QPushButton::clicked, this, &ViewTop::sendMinimize);
    layout->addWidget(minimize);
    QPushButton* close = iconButton(QStringLiteral("btnTopClose"), QStringLiteral(":/resources/Img/btn_close.png"),
                                    QStringLiteral("关闭"), this);
    connect(close, &QPushButton::clicked, this, &ViewTop::sendClose);
    layout->addWidget(close);

    setUserName(QString());
}

DialogPersonalCenter* ViewTop::dialogPersonalCenter()
{
    if (personalCenter_ == nullptr) {
        personalCenter_ = new DialogPersonalCenter(this);
        emit personalCenterBuilt(personalCenter_);
    }
    return personalCenter_;
}

DialogInform* ViewTop::dialogInform()
{
    if (inform_ == nullptr) {
        inform_ = new DialogInform(this);
        connect(inform_, &DialogInform::unreadCountChanged, message_, &CusBubbleButton::setCount);
    }
    return inform_;
}

void ViewTop::setUserName(const QString& name)
{
    welcome_->setText(QStringLiteral("欢迎：%1").arg(name));
}

QString ViewTop::welcomeText() const
{
    return welcome_->text();
}

void ViewTop::setRefreshEnabled(bool enabled)
{
    refresh_->setEnabled(enabled);
}

bool ViewTop::isRefreshing() const
{
    return !refresh_->isEnabled();
}

void ViewTop::showInform()
{
    dialogInform()->showInform();
}

void ViewTop::exitClear()
{
    setUserName(QString());
    // What was never built holds nothing to forget.
    if (inform_ != nullptr) {
        inform_->clearInform();
    }
    message_->setCount(0);
    if (personalCenter_ != nullptr) {
        personalCenter_->exitClear();
    }
}

void ViewTop::onPersonalCenter()
{
    LOG(INFO) << "personal center! ..";
    DialogPersonalCenter* center = dialogPersonalCenter();
    center->showNormal();
    center->raise();
    center->activateWindow();
}

void ViewTop::onApplyFor()
{
    LOG(INFO) << "resource applyfor! ..";
    emit sendApplyFor();
}

void ViewTop::onLogout()
{
    if (Common::edition().is(corvis::Edition::Id::Kav)) {
        LOG(INFO) << "kav request tray check logout ui show!";
        UiComm::instance()->apiCorvistrayCommon(CReqTray49, QString());
        return;
    }
    LOG(INFO) << "logout ..";
    // The request runs on its own worker thread already; the GUI thread never waits for it.
    UiComm::instance()->apiCorvisclientCommon(CReqClientLogout, QString());
}
