#pragma once

#include <QString>
#include <QWidget>

// What the main window hands the device page when the login state changes.
struct SDeviceInfo {
    QString userName;
};

// The device-information page: host facts, live load, the login account and the bound devices.
class PageDeviceInfo : public QWidget
{
    Q_OBJECT
public:
    explicit PageDeviceInfo(QWidget* parent = nullptr);

    // Non-zero state: logged in.
    void onLoginStateChanged(int state, const SDeviceInfo& info);
    void updateBindlingDevice();
    void updateBindState(int maxNum);
    // The reply of the operation-environment query (98).
    void judgeEnvRemind(const QString& policy);

signals:
    // What the page was handed, once it has applied it (also what tests watch the routing by).
    void bindStateUpdated(int maxNum);
    void envPolicyReceived(const QString& policy);
};
