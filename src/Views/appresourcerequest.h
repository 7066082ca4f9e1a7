#pragma once

#include "src/PolicyAnalyzer/st_appforresource.h"
#include "src/Views/approvedetaildialog.h"

class QLabel;

// "应用资源申请": the details of one application access request, opened from its row.
//
// Children: "labelAppName", "labelApplyTime", "labelValidEndTime", "labelApplyReason",
// "labelApprover", "labelApproveTime", "labelApproveRemark".
class AppResourceRequest : public ApproveDetailDialog
{
    Q_OBJECT
public:
    explicit AppResourceRequest(QWidget* parent = nullptr);

    void showRecord(const st_appforResource& record);
    // Fills the fields without showing the dialog.
    void setRecord(const st_appforResource& record);

private:
    QLabel* appName_ = nullptr;
    QLabel* applyTime_ = nullptr;
    QLabel* validEndTime_ = nullptr;
    QLabel* applyReason_ = nullptr;
    QLabel* approver_ = nullptr;
    QLabel* approveTime_ = nullptr;
    QLabel* approveRemark_ = nullptr;
};
