#include "src/Views/sandboxresourcerequest.h"

#include "app/common.h"
#include "src/Views/approvetext.h"

#include <QLabel>

namespace {

QString text(const std::string& utf8)
{
    return QString::fromStdString(utf8);
}

}  // namespace

SandboxResourceRequest::SandboxResourceRequest(QWidget* parent) : ApproveDetailDialog(parent)
{
    setObjectName(QStringLiteral("SandboxResourceRequest"));
    setWindowTitle(QStringLiteral("详情"));
    setAccessibleName(QStringLiteral("详情"));
    setKind(Common::edition().is(corvis::Edition::Id::Kav) ? QStringLiteral("申请导出") : QStringLiteral("沙箱数据导出申请"));
    fileName_ = addField(QStringLiteral("文件名称："), QStringLiteral("labelFileName"));
    fileSize_ = addField(QStringLiteral("文件大小："), QStringLiteral("labelFileSize"));
    sandboxName_ = addField(QStringLiteral("沙箱名称："), QStringLiteral("labelSandboxName"));
    applyTime_ = addField(QStringLiteral("申请时间："), QStringLiteral("labelApplyTime"));
    applyReason_ = addField(QStringLiteral("申请理由："), QStringLiteral("labelApplyReason"));
    approver_ = addField(QStringLiteral("审批员："), QStringLiteral("labelApprover"));
    approveTime_ = addField(QStringLiteral("审批时间："), QStringLiteral("labelApproveTime"));
    approveRemark_ = addField(QStringLiteral("审批意见："), QStringLiteral("labelApproveRemark"));
}

void SandboxResourceRequest::setRecord(const stSandboxApproveRecord& record)
{
    setStatus(text(record.approveResult));
    fileName_->setText(text(record.fileName));
    fileSize_->setText(ApproveText::fileSize(record.fileSize));
    sandboxName_->setText(text(record.sandboxName));
    applyTime_->setText(ApproveText::time(text(record.applyTime)));
    applyReason_->setText(text(record.applyReason));
    approver_->setText(text(record.approver));
    approveTime_->setText(ApproveText::time(text(record.approveTime)));
    approveRemark_->setText(text(record.approveRemark));
}

void SandboxResourceRequest::showRecord(const stSandboxApproveRecord& record)
{
    setRecord(record);
    present();
}
