#include "src/Views/dialogpersonalcenter.h"

#include "corviscommon/logging.h"
#include "src/Views/dialogcommon.h"
#include "src/Views/notbuilt.h"

DialogPersonalCenter::DialogPersonalCenter(QWidget* parent) : CustomDialog(parent)
{
    setObjectName(QStringLiteral("DialogPersonalCenter"));
    setWindowTitle(QStringLiteral("个人中心"));
    resize(760, 520);
    dialogCommon_ = new DialogCommon(this);
    dialogCommon_->setObjectName(QStringLiteral("DialogCommonPersonal"));
}

void DialogPersonalCenter::updateBaseData()
{
    LOG(INFO) << "DialogPersonalCenter::updateBaseData";
    logNotBuilt("DialogPersonalCenter::updateBaseData");
}

void DialogPersonalCenter::updateLoginAudit()
{
    LOG(INFO) << "DialogPersonalCenter::updateLoginAudit";
    logNotBuilt("DialogPersonalCenter::updateLoginAudit");
    emit loginAuditUpdated();
}

void DialogPersonalCenter::exitClear()
{
    dialogCommon_->hide();
    hide();
}
