#include "src/Views/pagedeviceinfo.h"

#include "app/common.h"
#include "comm/uicomm.h"
#include "corviscommon/logging.h"
#include "corviscommon/productpaths.h"
#include "corviscommon/resourcemonitorthread.h"
#include "corviscommon/secretmask.h"
#include "src/CustomControl/cuscircleratio.h"
#include "src/CustomControl/cusmessagebox.h"
#include "src/CustomControl/custabwidget.h"
#include "src/PolicyAnalyzer/policyanalyzer.h"
#include "src/Views/envremindrules.h"
#include "src/CustomControl/cuspicture.h"

#include <QEvent>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QHelpEvent>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QScrollArea>
#include <QStackedWidget>
#include <QStandardItemModel>
#include <QTableView>
#include <QThread>
#include <QThreadPool>
#include <QTimer>
#include <QToolTip>
#include <QVBoxLayout>

namespace {

const char* const kCaptionStyle = "font-size: 14px; color: #6D6D6D;";
const char* const kValueStyle = "font-size: 14px; color: #2F2F2F;";
const char* const kBlockTitleStyle = "font-size: 16px; font-weight: bold; color: #2F2F2F;";
constexpr int kUuidWrapWidth = 210;

QLabel* plainLabel(const QString& name, const char* style, QWidget* parent)
{
    auto* label = new QLabel(parent);
    label->setObjectName(name);
    label->setTextFormat(Qt::PlainText);
    label->setStyleSheet(QLatin1String(style));
    return label;
}

QFrame* block(const QString& name, QWidget* parent)
{
    auto* frame = new QFrame(parent);
    frame->setObjectName(name);
    frame->setStyleSheet(QStringLiteral("QFrame#%1 { background: #F7F8FA; border-radius: 6px; }").arg(name));
    return frame;
}

// A tooltip that Qt never reads as markup.
QString plainTip(const QString& text)
{
    return QStringLiteral("<p style='white-space:pre'>") + text.toHtmlEscaped() + QStringLiteral("</p>");
}

QString themeColour(bool vesk)
{
    return vesk ? QStringLiteral("#4AB793") : QStringLiteral("#1AA9FF");
}

}  // namespace

PageDeviceInfo::PageDeviceInfo(QWidget* parent) : PageDeviceInfo(DeviceBaseInfo::realHost(), nullptr, parent) {}

PageDeviceInfo::PageDeviceInfo(const DeviceBaseInfo::Host& host, ResourceMonitorThread* monitor, QWidget* parent)
    : QWidget(parent), host_(host), vesk_(Common::edition().isVesk())
{
    setObjectName(QStringLiteral("PageDeviceInfo"));
    qRegisterMetaType<st_deviceBaseInfo>("st_deviceBaseInfo");
    buildUi();
    // From the first turn of the event loop: the commands' processes do not compete with
    // building and showing the first window.
    QMetaObject::invokeMethod(this, [this] { gatherBaseInfo(); }, Qt::QueuedConnection);
    startMonitor(monitor != nullptr ? monitor : new ResourceMonitorThread());
    if (vesk_) {
        envTimer_ = new QTimer(this);
        envTimer_->setObjectName(QStringLiteral("envTimer"));
        envTimer_->setInterval(kEnvFirstIntervalMs);
        connect(envTimer_, &QTimer::timeout, this, &PageDeviceInfo::onTimeoutEnv);
    }
}

PageDeviceInfo::~PageDeviceInfo()
{
    // The monitor is deleted on its own thread as that thread ends (its timer lives there).
    monitorThread_->quit();
    monitorThread_->wait();
}

// ---------------------------------------------------------------------------------------------
// Layout

void PageDeviceInfo::buildUi()
{
    setAttribute(Qt::WA_StyledBackground);
    setStyleSheet(QStringLiteral("PageDeviceInfo { background: white; }"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(24, 16, 24, 16);
    layout->setSpacing(12);

    auto* top = new QHBoxLayout;
    top->setSpacing(12);
    top->addWidget(buildBaseBlock(), 3);
    top->addWidget(buildConnectionBlock(), 2);
    layout->addLayout(top);
    layout->addWidget(buildResourceBlock());
    layout->addWidget(buildDeviceTabs(), 1);

    msgBox_ = new CusMessageBox(this);
    msgBox_->setObjectName(QStringLiteral("msgBoxUnbind"));
    connect(msgBox_, &CusMessageBox::clickSure, this, &PageDeviceInfo::onUnbindConfirmed);
    connect(msgBox_, &CusMessageBox::clickCancel, this, [this] { unbindPending_ = false; });
}

QWidget* PageDeviceInfo::buildBaseBlock()
{
    QFrame* frame = block(QStringLiteral("blockBaseInfo"), this);
    auto* grid = new QGridLayout(frame);
    grid->setContentsMargins(16, 12, 16, 12);
    grid->setHorizontalSpacing(8);
    grid->setVerticalSpacing(6);
    auto* title = plainLabel(QStringLiteral("labelBaseTitle"), kBlockTitleStyle, frame);
    title->setText(QStringLiteral("基础信息"));
    grid->addWidget(title, 0, 0, 1, 2);
    const QList<QPair<QString, QLabel**>> rows = {
        {QStringLiteral("计算机名："), &pcName_},       {QStringLiteral("设备类型："), &deviceType_},
        {QStringLiteral("系          统："), &osName_}, {QStringLiteral("硬件特征码："), &uuid_},
        {QStringLiteral("M A C地址："), &mac_},        {QStringLiteral("I  P  地  址："), &ip_},
    };
    const QStringList names = {QStringLiteral("labelPcName"), QStringLiteral("labelDeviceType"), QStringLiteral("labelOsName"),
                               QStringLiteral("labelUuid"),   QStringLiteral("labelMac"),        QStringLiteral("labelIp")};
    for (int i = 0; i < rows.size(); ++i) {
        auto* caption = plainLabel(QString(), kCaptionStyle, frame);
        caption->setText(rows[i].first);
        QLabel* value = plainLabel(names[i], kValueStyle, frame);
        value->setTextInteractionFlags(Qt::TextSelectableByMouse);
        caption->setBuddy(value);
        grid->addWidget(caption, i + 1, 0, Qt::AlignTop);
        grid->addWidget(value, i + 1, 1, Qt::AlignTop);
        *rows[i].second = value;
    }
    grid->setColumnStretch(1, 1);
    return frame;
}

QWidget* PageDeviceInfo::buildConnectionBlock()
{
    QFrame* frame = block(QStringLiteral("blockConnection"), this);
    auto* grid = new QGridLayout(frame);
    grid->setContentsMargins(16, 12, 16, 12);
    grid->setHorizontalSpacing(8);
    grid->setVerticalSpacing(10);
    auto* title = plainLabel(QStringLiteral("labelConnectionTitle"), kBlockTitleStyle, frame);
    title->setText(QStringLiteral("连接信息"));
    grid->addWidget(title, 0, 0, 1, 2);

    const auto caption = [frame](const QString& text) {
        auto* label = plainLabel(QString(), kCaptionStyle, frame);
        label->setText(text);
        return label;
    };
    account_ = plainLabel(QStringLiteral("labelAccount"), kValueStyle, frame);
    grid->addWidget(caption(QStringLiteral("设备登录账号：")), 1, 0);
    grid->addWidget(account_, 1, 1);

    auto* network = new QHBoxLayout;
    network->setSpacing(6);
    portalIp_ = plainLabel(QStringLiteral("labelPortalIp"), kValueStyle, frame);
    connected_ = new QLabel(frame);
    connected_->setObjectName(QStringLiteral("labelConnected"));
    connected_->setFixedSize(58, 20);
    connected_->setPixmap(CusPicture::load(QStringLiteral(":/resources/Img/icon_connected.png"), QSize(58, 20)));
    connected_->setAccessibleName(QStringLiteral("已连接"));
    connected_->hide();
    network->addWidget(portalIp_);
    network->addWidget(connected_);
    network->addStretch(1);
    grid->addWidget(caption(QStringLiteral("当前网络连接：")), 2, 0);
    grid->addLayout(network, 2, 1);

    bindState_ = plainLabel(QStringLiteral("labelBindState"), kValueStyle, frame);
    bindState_->setText(QStringLiteral("未绑定"));
    grid->addWidget(caption(QStringLiteral("绑定状态：")), 3, 0);
    grid->addWidget(bindState_, 3, 1);
    grid->setColumnStretch(1, 1);
    grid->setRowStretch(4, 1);
    return frame;
}

QWidget* PageDeviceInfo::buildResourceBlock()
{
    QFrame* frame = block(QStringLiteral("blockResource"), this);
    auto* row = new QHBoxLayout(frame);
    row->setContentsMargins(16, 8, 16, 8);
    auto* captions = new QVBoxLayout;
    auto* title = plainLabel(QStringLiteral("labelResourceTitle"), kBlockTitleStyle, frame);
    title->setText(QStringLiteral("本地资源："));
    auto* subtitle = plainLabel(QStringLiteral("labelResourceSubtitle"), kCaptionStyle, frame);
    subtitle->setText(QStringLiteral("本地资源占用"));
    captions->addWidget(title);
    captions->addWidget(subtitle);
    captions->addStretch(1);
    row->addLayout(captions);
    row->addStretch(1);
    const QList<QPair<QString, CusCircleRatio**>> gauges = {
        {QStringLiteral("处理器"), &cpuGauge_}, {QStringLiteral("内存"), &memoryGauge_}, {QStringLiteral("硬盘"), &diskGauge_}};
    const QStringList names = {QStringLiteral("gaugeCpu"), QStringLiteral("gaugeMemory"), QStringLiteral("gaugeDisk")};
    for (int i = 0; i < gauges.size(); ++i) {
        auto* gauge = new CusCircleRatio(frame);
        gauge->setObjectName(names[i]);
        gauge->setAccessibleName(gauges[i].first);
        gauge->setTitle(gauges[i].first);
        gauge->setThemeColor(QColor(themeColour(vesk_)));
        gauge->setFixedSize(110, 128);
        row->addWidget(gauge);
        row->addSpacing(24);
        *gauges[i].second = gauge;
    }
    return frame;
}

QWidget* PageDeviceInfo::buildDeviceTabs()
{
    tabs_ = new CusTabWidget(this);
    tabs_->setObjectName(QStringLiteral("tabDevices"));
    tabs_->setAccessibleName(QStringLiteral("设备列表"));

    table_ = new QTableView(tabs_);
    table_->setObjectName(QStringLiteral("tableBindingDevices"));
    table_->setAccessibleName(QStringLiteral("安全设备"));
    model_ = new QStandardItemModel(0, 4, table_);
    model_->setHorizontalHeaderLabels(
        {QStringLiteral("设备名称"), QStringLiteral("操作系统"), QStringLiteral("设备IP"), QStringLiteral("设备MAC")});
    table_->setModel(model_);
    table_->setShowGrid(false);
    table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table_->setSelectionMode(QAbstractItemView::NoSelection);
    table_->setFocusPolicy(Qt::NoFocus);
    table_->setTextElideMode(Qt::ElideRight);
    table_->setWordWrap(false);
    table_->verticalHeader()->hide();
    table_->verticalHeader()->setDefaultSectionSize(40);
    table_->horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);
    table_->horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    table_->setStyleSheet(QStringLiteral(
        "QTableView{border:none;font-size:14px;background-color:white;}"
        "QTableView::Item{border:none;color:#6D6D6D;border-bottom:1px solid #DCDFE6;}"
        "QHeaderView::section{border:none;min-height: 40px;background-color:white;color:black;font-size:14px;"
        "border-bottom:1px solid #DCDFE6;}"));
    table_->viewport()->installEventFilter(this);
    if (!vesk_) {
        tabs_->addTab(table_, QStringLiteral("安全设备"));
    } else {
        table_->hide();
    }

    cardStack_ = new QStackedWidget(tabs_);
    cardStack_->setObjectName(QStringLiteral("stackBindCards"));
    auto* blank = new QWidget(cardStack_);
    blank->setObjectName(QStringLiteral("pageBindBlank"));
    auto* blankLayout = new QVBoxLayout(blank);
    auto* blankPicture = new QLabel(blank);
    blankPicture->setAlignment(Qt::AlignCenter);
    blankPicture->setPixmap(
        CusPicture::load(corvis::paths::resource(QStringLiteral("default/clientmain/portal_blank.png")), QSize(160, 120)));
    auto* blankText = plainLabel(QStringLiteral("labelBindBlank"), kCaptionStyle, blank);
    blankText->setAlignment(Qt::AlignCenter);
    blankText->setText(QStringLiteral("暂无绑定设备"));
    blankLayout->addStretch(1);
    blankLayout->addWidget(blankPicture);
    blankLayout->addWidget(blankText);
    blankLayout->addStretch(1);
    cardStack_->addWidget(blank);

    auto* cardsPage = new QWidget(cardStack_);
    cardsPage->setObjectName(QStringLiteral("pageBindCards"));
    auto* cardsLayout = new QVBoxLayout(cardsPage);
    cardsLayout->setContentsMargins(0, 8, 0, 0);
    bindHead_ = plainLabel(QStringLiteral("labelBindHead"), kCaptionStyle, cardsPage);
    cardsLayout->addWidget(bindHead_);
    auto* scroll = new QScrollArea(cardsPage);
    scroll->setObjectName(QStringLiteral("scrollBindCards"));
    scroll->setWidgetResizable(true);
    scroll->setFrameShape(QFrame::NoFrame);
    cardList_ = new QWidget(scroll);
    cardList_->setObjectName(QStringLiteral("listBindCards"));
    cardLayout_ = new QVBoxLayout(cardList_);
    cardLayout_->setContentsMargins(0, 0, 8, 0);
    cardLayout_->setSpacing(8);
    cardLayout_->addStretch(1);
    scroll->setWidget(cardList_);
    cardsLayout->addWidget(scroll, 1);
    cardStack_->addWidget(cardsPage);
    cardStack_->setCurrentIndex(vesk_ ? 1 : 0);
    tabs_->addTab(cardStack_, QStringLiteral("绑定设备"));
    return tabs_;
}

// ---------------------------------------------------------------------------------------------
// Base information, gathered off the GUI thread

void PageDeviceInfo::gatherBaseInfo()
{
    if (gathering_) {
        return;
    }
    gathering_ = true;
    // A parentless relay, deleted only by the delivery it carries: the pool thread posts to an
    // object that is sure to live, and the page may be gone by then.
    auto* relay = new QObject();
    const QPointer<PageDeviceInfo> self(this);
    const DeviceBaseInfo::Host host = host_;
    QThreadPool::globalInstance()->start([relay, self, host]() {
        const st_deviceBaseInfo info = DeviceBaseInfo::gather(host);
        QMetaObject::invokeMethod(
            relay,
            [relay, self, info]() {
                if (self) {
                    self->applyBaseInfo(info);
                }
                relay->deleteLater();
            },
            Qt::QueuedConnection);
    });
}

void PageDeviceInfo::applyBaseInfo(const st_deviceBaseInfo& info)
{
    gathering_ = false;
    // What an earlier round found stays when a later one could not read it.
    const auto keep = [](QString& field, const QString& fresh) {
        if (!fresh.isEmpty()) {
            field = fresh;
        }
    };
    keep(baseInfo_.pcName, info.pcName);
    keep(baseInfo_.deviceType, info.deviceType);
    keep(baseInfo_.osName, info.osName);
    keep(baseInfo_.uuid, info.uuid);
    keep(baseInfo_.mac, info.mac);
    keep(baseInfo_.ip, info.ip);
    baseInfoIncomplete_ = baseInfo_.isIncomplete();

    pcName_->setText(baseInfo_.pcName);
    deviceType_->setText(baseInfo_.deviceType);
    osName_->setText(baseInfo_.osName);
    uuid_->setText(Common::wordWrapText(uuid_->font(), kUuidWrapWidth, baseInfo_.uuid));
    mac_->setText(baseInfo_.mac);
    ip_->setText(baseInfo_.ip);
    LOG(INFO) << "FUNC(PageDeviceInfo::applyBaseInfo) baseInfoIncomplete: " << (baseInfoIncomplete_ ? 1 : 0);
    emit baseInfoUpdated();
}

// ---------------------------------------------------------------------------------------------
// Resource monitor

void PageDeviceInfo::startMonitor(ResourceMonitorThread* monitor)
{
    monitor_ = monitor;
    monitor_->setParent(nullptr);
    monitorThread_ = new QThread(this);
    monitorThread_->setObjectName(QStringLiteral("deviceMonitorThread"));
    monitor_->moveToThread(monitorThread_);
    connect(monitorThread_, &QThread::finished, monitor_, &QObject::deleteLater);
    connect(monitor_, &ResourceMonitorThread::sendSystemResourceChanged, this, &PageDeviceInfo::onSystemResourceChanged);
    connect(this, &PageDeviceInfo::sendStatusChanged, monitor_, &ResourceMonitorThread::onStatusChanged);
    monitorThread_->start();
}

void PageDeviceInfo::onSystemResourceChanged()
{
    const QList<double> ratios = monitor_->resourceRatio();
    cpuGauge_->setUsedRatio(ratios.value(0));
    memoryGauge_->setUsedRatio(ratios.value(1));
    diskGauge_->setUsedRatio(ratios.value(2));
    for (CusCircleRatio* gauge : {cpuGauge_, memoryGauge_, diskGauge_}) {
        gauge->setAccessibleDescription(gauge->percentText());
    }
}

// ---------------------------------------------------------------------------------------------
// Login state

void PageDeviceInfo::onLoginStateChanged(int state, const SDeviceInfo& info)
{
    if (state == 0) {
        LOG(INFO) << "FUNC(PageDeviceInfo::onLoginStateChanged) logout";
        account_->clear();
        emit sendStatusChanged(false);
        return;
    }
    LOG(INFO) << "FUNC(PageDeviceInfo::onLoginStateChanged) login, baseInfoIncomplete: " << (baseInfoIncomplete_ ? 1 : 0);
    if (baseInfoIncomplete_) {
        gatherBaseInfo();
    }
    account_->setText(info.userName);
    portalIp_->setText(Common::portalIp());
    connected_->show();
    if (vesk_ && !envStarted_) {
        beginGetOpreatingEnv();
    }
    emit sendStatusChanged(true);
}

// ---------------------------------------------------------------------------------------------
// Operation environment (vesk editions)

void PageDeviceInfo::beginGetOpreatingEnv()
{
    LOG(INFO) << "begin Get OpreatingEnv...";
    envStarted_ = true;
    envTimer_->start();
}

void PageDeviceInfo::onTimeoutEnv()
{
    LOG(INFO) << "enter onTimeoutEnv...";
    if (envTimer_ != nullptr) {
        envTimer_->setInterval(kEnvIntervalMs);
    }
    UiComm::instance()->apiCorvisclientCommon(CReqClientOperationEnv, QString(), true);
}

void PageDeviceInfo::judgeEnvRemind(const QString& policy)
{
    LOG(INFO) << "FUNC(judgeEnvRemind) enter";
    st_operationEnv env;
    PolicyAnalyzer::instance()->parseResRemindInfo(policy, env);
    monitor_->setOperationEnv(env);

    const int closeTrayRemind = Common::closeTrayRemind();
    const st_envRemindDecision d =
        EnvRemindRules::decide(monitor_->operationEnv(), monitor_->resourceRatio(), closeTrayRemind);
    cpuGauge_->setThreshold(d.cpuThreshold);
    memoryGauge_->setThreshold(d.memoryThreshold);
    diskGauge_->setThreshold(d.diskThreshold);
    for (const QString& reason : d.reasons) {
        LOG(INFO) << reason;
    }
    if (d.remind) {
        LOG(INFO) << "FUNC(judgeEnvRemind) need to remind";
        UiComm::instance()->apiCorvistrayCommon(CReqTrayEnvRemind34, d.trayText);
    } else if (d.tips.isEmpty()) {
        LOG(INFO) << "FUNC(judgeEnvRemind) don't remind";
    } else {
        LOG(INFO) << "FUNC(judgeEnvRemind) over a threshold, no tray reminder (closetrayremind: " << closeTrayRemind
                  << ", tips: " << corvis::logSafe(d.tips.join(QLatin1Char('|'))) << ")";
    }
    emit envPolicyReceived(policy);
}

// ---------------------------------------------------------------------------------------------
// Bound devices

bool PageDeviceInfo::isThisDevice(const st_bindingDevice& device, const QString& uuid, const QString& mac)
{
    const QString code = device.dev_machine_code.trimmed();
    const QString devMac = device.dev_mac.trimmed();
    if (!code.isEmpty() && code == uuid.trimmed()) {
        return true;
    }
    return !devMac.isEmpty() && devMac.compare(mac.trimmed(), Qt::CaseInsensitive) == 0;
}

QString PageDeviceInfo::unbindBody(const SDeviceBindInfo& device)
{
    return QStringList{device.deviceName, device.macAddr, device.cpuNo, device.hardDikSeqNo, device.bindTime}.join(
        QLatin1Char('&'));
}

void PageDeviceInfo::setBindState(bool bound)
{
    bindState_->setText(bound ? QStringLiteral("已绑定") : QStringLiteral("未绑定"));
}

void PageDeviceInfo::updateBindlingDevice()
{
    LOG(INFO) << "PageDeviceInfo::updateBindlingDevice start!";
    QList<st_bindingDevice> devices;
    PolicyAnalyzer::instance()->readDeviceBindInfo(devices);
    updateBindlingDeviceTable(devices);
    const QString uuid = Common::uuid();
    const QString mac = Common::deviceMac();
    bool bound = false;
    for (const st_bindingDevice& device : devices) {
        if (isThisDevice(device, uuid, mac)) {
            bound = true;
            break;
        }
    }
    setBindState(bound);
    LOG(INFO) << "PageDeviceInfo::updateBindlingDevice done!";
}

void PageDeviceInfo::updateBindlingDeviceTable(const QList<st_bindingDevice>& devices)
{
    LOG(INFO) << "PageDeviceInfo::updateBindlingDeviceTable enter";
    model_->removeRows(0, model_->rowCount());
    for (const st_bindingDevice& device : devices) {
        QList<QStandardItem*> row;
        for (const QString& text : {device.dev_name, device.os_name, device.dev_ip, device.dev_mac}) {
            auto* item = new QStandardItem;
            item->setText(text);
            item->setEditable(false);
            row.append(item);
        }
        model_->appendRow(row);
    }
}

void PageDeviceInfo::updateBindState(int maxNum)
{
    LOG(INFO) << "updateBindState maxNum:" << maxNum;
    if (vesk_ || maxNum >= 1) {
        cardStack_->setCurrentIndex(1);
    } else {
        LOG(INFO) << "show device info blank!";
        cardStack_->setCurrentIndex(0);
    }
    rebuildCards(maxNum);
    emit bindStateUpdated(maxNum);
}

void PageDeviceInfo::rebuildCards(int maxNum)
{
    QList<SDeviceBindInfo> list;
    PolicyAnalyzer::instance()->readDeviceBindInfo(list);
    cards_ = list;
    bindHead_->setText(maxNum >= 1 ? QStringLiteral("已绑定设备：%1/%2").arg(list.size()).arg(maxNum)
                                   : QStringLiteral("已绑定设备：%1").arg(list.size()));

    // Everything but the closing stretch goes.
    while (cardLayout_->count() > 1) {
        QLayoutItem* item = cardLayout_->takeAt(0);
        if (item->widget() != nullptr) {
            item->widget()->deleteLater();
        }
        delete item;
    }
    const QString mac = Common::deviceMac();
    bool bound = false;
    for (int i = 0; i < list.size(); ++i) {
        const SDeviceBindInfo& device = list[i];
        LOG(INFO) << "bindList[" << i << "]:" << "deviceName:" << corvis::logSafe(device.deviceName)
                  << ", macAddr:" << corvis::logSafe(device.macAddr) << ", bindTime:" << corvis::logSafe(device.bindTime);
        bound = bound || (!device.macAddr.trimmed().isEmpty() && device.macAddr.trimmed().compare(mac.trimmed(), Qt::CaseInsensitive) == 0);

        auto* card = new QFrame(cardList_);
        card->setObjectName(QStringLiteral("cardDevice_%1").arg(i));
        card->setStyleSheet(QStringLiteral("QFrame#cardDevice_%1 { background: #F7F8FA; border-radius: 6px; }").arg(i));
        auto* row = new QHBoxLayout(card);
        row->setContentsMargins(16, 10, 16, 10);
        auto* texts = new QVBoxLayout;
        texts->setSpacing(4);
        auto* name = plainLabel(QStringLiteral("labelCardName_%1").arg(i), kBlockTitleStyle, card);
        name->setText(device.deviceName);
        auto* macLine = plainLabel(QStringLiteral("labelCardMac_%1").arg(i), kCaptionStyle, card);
        macLine->setText(QStringLiteral("MAC地址：") + device.macAddr);
        auto* timeLine = plainLabel(QStringLiteral("labelCardTime_%1").arg(i), kCaptionStyle, card);
        timeLine->setText(QStringLiteral("绑定时间：") + device.bindTime);
        texts->addWidget(name);
        texts->addWidget(macLine);
        texts->addWidget(timeLine);
        row->addLayout(texts, 1);
        auto* unbind = new QPushButton(QStringLiteral("解绑"), card);
        unbind->setObjectName(QStringLiteral("btnUnbind_%1").arg(i));
        unbind->setAccessibleName(QStringLiteral("解绑 ") + device.deviceName);
        unbind->setFixedSize(72, 30);
        unbind->setCursor(Qt::PointingHandCursor);
        unbind->setStyleSheet(QStringLiteral("QPushButton{border:1px solid %1;border-radius:4px;background:white;color:%1;"
                                             "font-size:14px;}QPushButton:hover{background:%1;color:white;}")
                                  .arg(themeColour(vesk_)));
        connect(unbind, &QPushButton::clicked, this, [this, device] { onUnbindClicked(device); });
        row->addWidget(unbind, 0, Qt::AlignVCenter);
        cardLayout_->insertWidget(i, card);
    }
    // The vesk editions have no table to tell the bind state by: the cards tell it.
    if (vesk_) {
        setBindState(bound);
    }
}

void PageDeviceInfo::onUnbindClicked(const SDeviceBindInfo& device)
{
    pendingUnbind_ = device;
    unbindPending_ = true;
    msgBox_->showMessage(QStringLiteral("确定要解绑该设备吗？解绑后该设备需重新绑定才能使用。"), true);
}

void PageDeviceInfo::onUnbindConfirmed()
{
    if (!unbindPending_) {
        return;
    }
    unbindPending_ = false;
    LOG(INFO) << "m_msgBox clickSure happen! m_devNameLabel:" << corvis::logSafe(pendingUnbind_.deviceName);
    UiComm::instance()->apiCorvisclientCommon(CReqClientVeskUnbindDev, unbindBody(pendingUnbind_), true);
}

// ---------------------------------------------------------------------------------------------
// Tool tips of cells too long for their column

bool PageDeviceInfo::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == table_->viewport() && event->type() == QEvent::ToolTip) {
        auto* help = static_cast<QHelpEvent*>(event);
        const QModelIndex index = table_->indexAt(help->pos());
        const QString text = index.isValid() ? index.data().toString() : QString();
        // Cell padding aside, the column shows this much of the text.
        const int room = index.isValid() ? table_->columnWidth(index.column()) - 12 : 0;
        if (!text.isEmpty() && table_->fontMetrics().horizontalAdvance(text) > room) {
            QToolTip::showText(help->globalPos(), plainTip(text), table_->viewport());
        } else {
            QToolTip::hideText();
        }
        return true;
    }
    return QWidget::eventFilter(watched, event);
}
