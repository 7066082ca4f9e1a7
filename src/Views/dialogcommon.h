#pragma once

#include "comm/clientreq.h"
#include "comm/cs_ret_status.h"
#include "src/CustomControl/customdialog.h"

#include <QString>

// Pages of the common account dialog.
enum PageCommonDialogIndex {
    PageDialogModifyPwd = 0,
    PageDialogUnbindling = 1,
    PageDialogBindling = 2,
    PageDialogAuthAgainPwd = 3,
    PageDialogAuthAgainSms = 4,
    PageDialogImproveUserInfo = 5,
};

// The common account dialog: password change, phone binding, the second authentication that
// the dynamic authorization demands, and the profile form. One shared instance; the personal
// centre owns a second one.
class DialogCommon : public CustomDialog
{
    Q_OBJECT
public:
    static DialogCommon* instance();
    explicit DialogCommon(QWidget* parent = nullptr);

    void showWindow(PageCommonDialogIndex page, cs_ret_status status, ClientReq req);
    // The result of a request this dialog sent (81, 107-113, 130).
    void handleReqClientResult(ClientReq req, const QString& text, bool isMsgError);
    void hideAndClearData();
    int currentPage() const { return page_; }

signals:
    void sendReqClientModifyPwd(ClientReq req, QString text);
    void sendSetPersonalCenterPhone(QString phone);
    void sendRecoverLoginBtn(ClientReq req);
    void sendJumpToMain();
    // A result handed to this dialog, once it has applied it (also what tests watch the routing by).
    void resultReceived(ClientReq req, const QString& text, bool failed);

private:
    int page_ = PageDialogModifyPwd;
};
