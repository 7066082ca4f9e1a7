#include "src/Views/appresourcerequest.h"

#include "src/Views/approvetext.h"

#include <QLabel>

AppResourceRequest::AppResourceRequest(QWidget* parent) : ApproveDetailDialog(parent)
{
    setObjectName(QStringLiteral("AppResourceRequest"));
    setWindowTitle(QStringLiteral("应用资源申请"));
    setAccessibleName(QStringLiteral("应用资源申请"));
    setKind(QStringLiteral("详情"));
    appName_ = addField(QStringLiteral("应用名称："), QStringLiteral("labelAppName"));
    applyTime_ = addField(QStringLiteral("申请时间："), QStringLiteral("labelApplyTime"));
    validEndTime_ = addField(QStringLiteral("有效期："), QStringLiteral("labelValidEndTime"));
    applyReason_ = addField(QStringLiteral("申请理由："), QStringLiteral("labelApplyReason"));
    approver_ = addField(QStringLiteral("审批员："), QStringLiteral("labelApprover"));
    approveTime_ = addField(QStringLiteral("审批时间："), QStringLiteral("labelApproveTime"));
    approveRemark_ = addField(QStringLiteral("审批意见："), QStringLiteral("labelApproveRemark"));
}

void AppResourceRequest::setRecord(const st_appforResource& record)
{
    setStatus(record.approveResult);
    appName_->setText(record.appName);
    applyTime_->setText(ApproveText::time(record.applyTime));
    validEndTime_->setText(ApproveText::validity(record.validEndTime));
    applyReason_->setText(record.applyReason);
    approver_->setText(record.approver);
    approveTime_->setText(ApproveText::time(record.approveTime));
    approveRemark_->setText(record.approveRemark);
}

void AppResourceRequest::showRecord(const st_appforResource& record)
{
    setRecord(record);
    present();
}
