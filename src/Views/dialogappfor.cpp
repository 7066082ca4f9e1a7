#include "src/Views/dialogappfor.h"

#include "corviscommon/logging.h"
#include "src/Views/notbuilt.h"

DialogAppFor* DialogAppFor::instance(QWidget* parent)
{
    static DialogAppFor* dialog = new DialogAppFor(parent);
    return dialog;
}

DialogAppFor::DialogAppFor(QWidget* parent) : CustomDialog(parent)
{
    setObjectName(QStringLiteral("DialogAppFor"));
    setWindowTitle(QStringLiteral("我的申请"));
    resize(860, 560);
}

void DialogAppFor::initAppApproveRecords()
{
    logNotBuilt("DialogAppFor::initAppApproveRecords");
}

void DialogAppFor::initSandboxApproveRecords()
{
    logNotBuilt("DialogAppFor::initSandboxApproveRecords");
}

void DialogAppFor::setCurrentIndex(int index)
{
    current_ = index;
    logNotBuilt("DialogAppFor::setCurrentIndex", QStringLiteral("the tab list, index: %1").arg(index));
}

void DialogAppFor::handleAppApproveRecords(bool ok, const QString& text)
{
    logNotBuilt("DialogAppFor::handleAppApproveRecords", QStringLiteral("ok: %1, size: %2").arg(ok).arg(text.size()));
    emit appApproveRecordsReceived(ok, text);
}

void DialogAppFor::closeEvent(QCloseEvent* event)
{
    LOG(INFO) << "DialogAppFor::closeEvent";
    CustomDialog::closeEvent(event);
}
