#pragma once

#include "src/CustomControl/customdialog.h"
#include "src/Views/sandboxforright.h"

#include <QString>

class AppforRight;
class QListWidget;
class QStackedWidget;

// "我的申请": the user's application access requests (tab 0) and sandbox data requests (tab 1)
// with their approval state, chosen in the list on the left. Created once, hidden on close.
//
// Children: "listAppForTabs" (the left list), "stackAppFor" with "AppforRight" and
// "SandboxForRight".
class DialogAppFor : public CustomDialog
{
    Q_OBJECT
public:
    enum Tab {
        TabAppApprove = 0,
        TabSandboxApprove = 1,
    };

    static DialogAppFor* instance(QWidget* parent = nullptr);

    // Reload the application / the sandbox records with the filters reset.
    void initAppApproveRecords();
    void initSandboxApproveRecords();
    // Selects a tab in the left list (and so its page); an unknown index changes nothing.
    void setCurrentIndex(int index);
    int currentIndex() const;
    // The client service's answer to the application record query (118).
    void handleAppApproveRecords(bool ok, const QString& text);

    AppforRight* appforRight() const { return appRight_; }
    SandboxForRight* sandboxForRight() const { return sandboxRight_; }

public slots:
    void onLeftBtnChanged(int index);

signals:
    // The records answer, once shown (also what tests watch the routing by).
    void appApproveRecordsReceived(bool ok, const QString& text);

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    explicit DialogAppFor(QWidget* parent);

    QListWidget* tabs_ = nullptr;
    QStackedWidget* stack_ = nullptr;
    AppforRight* appRight_ = nullptr;
    SandboxForRight* sandboxRight_ = nullptr;
};
