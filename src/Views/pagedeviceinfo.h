#pragma once

#include "src/PolicyAnalyzer/st_bindingdevice.h"
#include "src/Views/devicebaseinfo.h"

#include <QList>
#include <QString>
#include <QWidget>

class CusCircleRatio;
class CusMessageBox;
class QLabel;
class QStackedWidget;
class QStandardItemModel;
class QTableView;
class QTabWidget;
class QThread;
class QTimer;
class QVBoxLayout;
class ResourceMonitorThread;

// What the main window hands the device page when the login state changes.
struct SDeviceInfo {
    QString userName;
};

// The device-information page: the basic facts of this computer, the login account and its
// controller, the live load of processor, memory and disk (three ring gauges fed by a resource
// monitor on a thread of its own for the page's whole life) and the devices bound to the user,
// as a table and as cards with an unbind button. In the vesk editions it polls the client
// service for the operation-environment reminder policy (98), draws its thresholds on the gauges
// and asks the tray to remind (34) when a resource is over its threshold.
//
// The GUI thread runs no host command: the basic facts are gathered on the thread pool and
// applied here; a fact that could not be read stays empty and is asked for again at the next login.
//
// Children: "labelPcName", "labelDeviceType", "labelOsName", "labelUuid", "labelMac", "labelIp",
// "labelAccount", "labelPortalIp", "labelConnected", "labelBindState", "gaugeCpu", "gaugeMemory",
// "gaugeDisk", "tabDevices", "tableBindingDevices", "stackBindCards" (0 blank, 1 cards),
// "labelBindHead", "cardDevice_<i>" with "btnUnbind_<i>", "deviceMonitorThread", "envTimer" (vesk).
class PageDeviceInfo : public QWidget
{
    Q_OBJECT
public:
    static constexpr int kEnvFirstIntervalMs = 10000;
    static constexpr int kEnvIntervalMs = 600000;

    explicit PageDeviceInfo(QWidget* parent = nullptr);
    // Tests play the host and hand in the monitor (the page takes it and moves it to its thread).
    PageDeviceInfo(const DeviceBaseInfo::Host& host, ResourceMonitorThread* monitor, QWidget* parent = nullptr);
    ~PageDeviceInfo() override;

    // Non-zero state: logged in.
    void onLoginStateChanged(int state, const SDeviceInfo& info);
    void updateBindlingDevice();
    void updateBindState(int maxNum);
    // The reply of the operation-environment query (98).
    void judgeEnvRemind(const QString& policy);

    const st_deviceBaseInfo& baseInfo() const { return baseInfo_; }
    bool baseInfoIncomplete() const { return baseInfoIncomplete_; }
    bool isGatheringBaseInfo() const { return gathering_; }
    ResourceMonitorThread* resourceMonitor() const { return monitor_; }
    QThread* monitorThread() const { return monitorThread_; }
    // The environment poll (vesk editions only, else null).
    QTimer* envTimer() const { return envTimer_; }
    QList<SDeviceBindInfo> bindCards() const { return cards_; }

    // An entry of the bound-device document is this machine: the same installation identifier or
    // the same MAC (letter case aside). Empty values match nothing.
    static bool isThisDevice(const st_bindingDevice& device, const QString& uuid, const QString& mac);
    // The body of the unbind request (87): the entry's fields joined by "&".
    static QString unbindBody(const SDeviceBindInfo& device);

public slots:
    void onSystemResourceChanged();
    void onTimeoutEnv();

signals:
    // What the page was handed, once it has applied it (also what tests watch the routing by).
    void bindStateUpdated(int maxNum);
    void envPolicyReceived(const QString& policy);
    // Sampling of the resource monitor on (logged in) or off.
    void sendStatusChanged(bool on);
    // The basic facts gathered off the GUI thread have been shown.
    void baseInfoUpdated();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void buildUi();
    QWidget* buildBaseBlock();
    QWidget* buildConnectionBlock();
    QWidget* buildResourceBlock();
    QWidget* buildDeviceTabs();
    void startMonitor(ResourceMonitorThread* monitor);
    void gatherBaseInfo();
    void applyBaseInfo(const st_deviceBaseInfo& info);
    void beginGetOpreatingEnv();
    void updateBindlingDeviceTable(const QList<st_bindingDevice>& devices);
    void rebuildCards(int maxNum);
    void onUnbindClicked(const SDeviceBindInfo& device);
    void onUnbindConfirmed();
    void setBindState(bool bound);

    DeviceBaseInfo::Host host_;
    st_deviceBaseInfo baseInfo_;
    bool baseInfoIncomplete_ = true;
    bool gathering_ = false;
    bool vesk_ = false;
    bool envStarted_ = false;
    QList<SDeviceBindInfo> cards_;
    SDeviceBindInfo pendingUnbind_;
    bool unbindPending_ = false;

    ResourceMonitorThread* monitor_ = nullptr;
    QThread* monitorThread_ = nullptr;
    QTimer* envTimer_ = nullptr;

    QLabel* pcName_ = nullptr;
    QLabel* deviceType_ = nullptr;
    QLabel* osName_ = nullptr;
    QLabel* uuid_ = nullptr;
    QLabel* mac_ = nullptr;
    QLabel* ip_ = nullptr;
    QLabel* account_ = nullptr;
    QLabel* portalIp_ = nullptr;
    QLabel* connected_ = nullptr;
    QLabel* bindState_ = nullptr;
    CusCircleRatio* cpuGauge_ = nullptr;
    CusCircleRatio* memoryGauge_ = nullptr;
    CusCircleRatio* diskGauge_ = nullptr;
    QTabWidget* tabs_ = nullptr;
    QTableView* table_ = nullptr;
    QStandardItemModel* model_ = nullptr;
    QStackedWidget* cardStack_ = nullptr;
    QLabel* bindHead_ = nullptr;
    QWidget* cardList_ = nullptr;
    QVBoxLayout* cardLayout_ = nullptr;
    CusMessageBox* msgBox_ = nullptr;
};
