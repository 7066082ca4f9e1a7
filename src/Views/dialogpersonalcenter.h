#pragma once

#include "src/CustomControl/customdialog.h"

class DialogCommon;

// "个人中心": the user's own data, the login history, and the entries to the password and phone
// operations, which run in a common account dialog of its own.
class DialogPersonalCenter : public CustomDialog
{
    Q_OBJECT
public:
    explicit DialogPersonalCenter(QWidget* parent = nullptr);

    void updateBaseData();
    // Re-reads the login history document.
    void updateLoginAudit();
    DialogCommon* dialogCommon() const { return dialogCommon_; }
    // Logout: hides this dialog and its account dialog.
    void exitClear();

signals:
    // The login history was read again (also what tests watch the routing by).
    void loginAuditUpdated();

private:
    DialogCommon* dialogCommon_ = nullptr;
};
