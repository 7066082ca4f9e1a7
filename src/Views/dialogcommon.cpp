#include "src/Views/dialogcommon.h"

#include "corviscommon/logging.h"
#include "corviscommon/secretmask.h"
#include "src/Views/notbuilt.h"

DialogCommon* DialogCommon::instance()
{
    static DialogCommon* dialog = new DialogCommon();
    return dialog;
}

DialogCommon::DialogCommon(QWidget* parent) : CustomDialog(parent)
{
    setObjectName(QStringLiteral("DialogCommon"));
}

void DialogCommon::showWindow(PageCommonDialogIndex page, cs_ret_status status, ClientReq req)
{
    page_ = page;
    logNotBuilt("DialogCommon::showWindow",
                QStringLiteral("page: %1, status: %2, req: %3").arg(page).arg(status).arg(hexCode(req)));
}

void DialogCommon::handleReqClientResult(ClientReq req, const QString& text, bool isMsgError)
{
    LOG(INFO) << "FUNC(handleReqClientResult) reqType: " << hexCode(req) << ", msg:" << corvis::logSafe(text) << ", isMsgError:" << isMsgError;
    logNotBuilt("DialogCommon::handleReqClientResult");
    emit resultReceived(req, text, isMsgError);
}

void DialogCommon::hideAndClearData()
{
    LOG(INFO) << "DialogCommon::hideWindow, index:" << page_;
    hide();
}
