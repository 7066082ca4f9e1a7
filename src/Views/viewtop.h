#pragma once

#include <QString>
#include <QWidget>

class CusBubbleButton;
class DialogInform;
class DialogPersonalCenter;
class QAction;
class QLabel;
class QPushButton;
class QToolButton;

// The top bar of the work area: the welcome line, the portal refresh, the message button with
// the unread count, the user menu ("个人中心", "资源申请", "注销"), minimise and close.
//
// Children: "labelWelcome", "btnRefresh", "btnMessage", "btnUserMenu", "btnTopMin",
// "btnTopClose"; menu actions "actionPersonalCenter", "actionApplyFor", "actionLogout".
class ViewTop : public QWidget
{
    Q_OBJECT
public:
    explicit ViewTop(QWidget* parent = nullptr);

    void setUserName(const QString& name);
    QString welcomeText() const;
    // The refresh button is disabled while a portal refresh runs.
    void setRefreshEnabled(bool enabled);
    bool isRefreshing() const;

    // The personal centre and the message centre are built on first need (the first login, the
    // first message, the first open): none of them is shown at start.
    DialogPersonalCenter* dialogPersonalCenter();
    DialogInform* dialogInform();
    // The personal centre if built so far, else nullptr.
    DialogPersonalCenter* builtPersonalCenter() const { return personalCenter_; }
    // Opens the message view.
    void showInform();
    // Logout: no user, no unread count, no messages, the personal centre closed.
    void exitClear();

signals:
    void sendRefresh();
    void sendMinimize();
    void sendClose();
    // "资源申请": the portal's request list.
    void sendApplyFor();
    // The personal centre has just been built (its account dialog is to be connected).
    void personalCenterBuilt(DialogPersonalCenter* center);

private:
    void onPersonalCenter();
    void onApplyFor();
    void onLogout();

    QLabel* welcome_ = nullptr;
    QPushButton* refresh_ = nullptr;
    CusBubbleButton* message_ = nullptr;
    QToolButton* user_ = nullptr;
    DialogPersonalCenter* personalCenter_ = nullptr;
    DialogInform* inform_ = nullptr;
};
