#pragma once

#include "http/api.h"
#include "src/CustomControl/customdialog.h"

#include <QMetaType>
#include <QString>

Q_DECLARE_METATYPE(stQuerySandboxApproveRecordsRsp)

// "我的申请": the user's application access requests (tab 0) and sandbox data requests (tab 1)
// with their approval state. Created once, hidden on close.
class DialogAppFor : public CustomDialog
{
    Q_OBJECT
public:
    enum Tab {
        TabAppApprove = 0,
        TabSandboxApprove = 1,
    };

    static DialogAppFor* instance(QWidget* parent = nullptr);

    void initAppApproveRecords();
    void initSandboxApproveRecords();
    void setCurrentIndex(int index);
    int currentIndex() const { return current_; }
    // The client service's answer to the application record query (118).
    void handleAppApproveRecords(bool ok, const QString& text);

signals:
    // The records answer, once shown (also what tests watch the routing by).
    void appApproveRecordsReceived(bool ok, const QString& text);

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    explicit DialogAppFor(QWidget* parent);

    int current_ = TabAppApprove;
};
