#include "src/Views/pagedeviceinfo.h"

#include "corviscommon/secretmask.h"
#include "src/Views/notbuilt.h"

PageDeviceInfo::PageDeviceInfo(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("PageDeviceInfo"));
}

void PageDeviceInfo::onLoginStateChanged(int state, const SDeviceInfo& info)
{
    logNotBuilt("PageDeviceInfo::onLoginStateChanged", QStringLiteral("state: %1, user: %2").arg(state).arg(corvis::logSafe(info.userName)));
}

void PageDeviceInfo::updateBindlingDevice()
{
    logNotBuilt("PageDeviceInfo::updateBindlingDevice");
}

void PageDeviceInfo::updateBindState(int maxNum)
{
    logNotBuilt("PageDeviceInfo::updateBindState", QStringLiteral("maxNum: %1").arg(maxNum));
    emit bindStateUpdated(maxNum);
}

void PageDeviceInfo::judgeEnvRemind(const QString& policy)
{
    logNotBuilt("PageDeviceInfo::judgeEnvRemind", QStringLiteral("policy size: %1").arg(policy.size()));
    emit envPolicyReceived(policy);
}
