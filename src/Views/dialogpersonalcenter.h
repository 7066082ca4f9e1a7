#pragma once

#include "src/CustomControl/customdialog.h"
#include "src/PolicyAnalyzer/st_loginaudititem.h"

#include <QList>
#include <QModelIndex>
#include <QString>

class DialogCommon;
class QLabel;
class QPushButton;
class QTableWidget;

// "个人中心": the user's own data, the login history, and the entries to the password and phone
// operations, which run in a common account dialog of its own.
//
// Children: "labelFullName", "labelDepartment", "labelPhone", "labelPwdExpired", "btnPhone"
// ("解绑手机" / "绑定手机"), "btnModifyPwd" ("修改密码"), "tableLoginAudit".
class DialogPersonalCenter : public CustomDialog
{
    Q_OBJECT
public:
    explicit DialogPersonalCenter(QWidget* parent = nullptr);

    // The four fields, the two buttons and whether a phone is bound, from the user information.
    void updateBaseData();
    // Re-reads the login history document; the table keeps its rows when it cannot be read.
    void updateLoginAudit();
    void updateTable(const QList<st_loginAuditItem>& items);
    DialogCommon* dialogCommon() const { return dialogCommon_; }
    // Logout: hides this dialog and its account dialog and forgets the user's data.
    void exitClear();
    int phoneBound() const { return phoneBound_; }

    static QString phoneText(const QString& phone);
    static QString expiryText(const QString& expiry);
    // The buttons show only for the flag "1".
    static bool isAllowed(const QString& flag) { return flag == QLatin1String("1"); }

public slots:
    void slot_set_bindPhone(QString phone);
    void onShowTip(const QModelIndex& index);

signals:
    // The login history was read again (also what tests watch the routing by).
    void loginAuditUpdated();

private:
    void onPhoneClicked();
    void onModifyPwdClicked();

    DialogCommon* dialogCommon_ = nullptr;
    int phoneBound_ = 0;
    QLabel* fullName_ = nullptr;
    QLabel* department_ = nullptr;
    QLabel* phone_ = nullptr;
    QLabel* pwdExpired_ = nullptr;
    QPushButton* phoneButton_ = nullptr;
    QPushButton* pwdButton_ = nullptr;
    QTableWidget* table_ = nullptr;
};
