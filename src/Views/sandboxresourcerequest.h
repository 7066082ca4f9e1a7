#pragma once

#include "http/api.h"
#include "src/Views/approvedetaildialog.h"

class QLabel;

// "详情": the details of one sandbox data request, opened from its row.
//
// Children: "labelFileName", "labelFileSize", "labelSandboxName", "labelApplyTime",
// "labelApplyReason", "labelApprover", "labelApproveTime", "labelApproveRemark".
class SandboxResourceRequest : public ApproveDetailDialog
{
    Q_OBJECT
public:
    explicit SandboxResourceRequest(QWidget* parent = nullptr);

    void showRecord(const stSandboxApproveRecord& record);
    // Fills the fields without showing the dialog.
    void setRecord(const stSandboxApproveRecord& record);

private:
    QLabel* fileName_ = nullptr;
    QLabel* fileSize_ = nullptr;
    QLabel* sandboxName_ = nullptr;
    QLabel* applyTime_ = nullptr;
    QLabel* applyReason_ = nullptr;
    QLabel* approver_ = nullptr;
    QLabel* approveTime_ = nullptr;
    QLabel* approveRemark_ = nullptr;
};
