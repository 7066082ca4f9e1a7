// MainWindow: construction, showing and hiding, navigation. The routing of results, pushed
// messages and the login state live beside it (mainwindow_p.h).

#include "src/Views/mainwindow_p.h"

#include <QApplication>
#include <QCloseEvent>
#include <QFileInfo>
#include <QGridLayout>
#include <QScreen>
#include <QStackedWidget>
#include <QSystemTrayIcon>
#include <QThread>

using corvis::Edition;
using namespace mainwindowdetail;

namespace {

int g_trayWaitAttempts = 30;

}  // namespace

void MainWindow::setTrayWaitAttempts(int attempts)
{
    g_trayWaitAttempts = attempts;
}

MainWindow* MainWindow::instance()
{
    static MainWindow* window = new MainWindow();
    return window;
}

QList<MainLeftItem> MainWindow::leftItems(const QString& project)
{
    return leftItems(corvis::Edition::fromProject(project));
}

QList<MainLeftItem> MainWindow::leftItems(const corvis::Edition& edition)
{
    const bool vesk = edition.isVesk();
    const bool kav = edition.is(Edition::Id::Kav);
    const auto veskIcon = [](const char* name) {
        return corvis::paths::resource(QStringLiteral("vesk/clientmain/") + QLatin1String(name));
    };
    QList<MainLeftItem> items;
    if (!vesk) {
        items.append({MainLeftPortal, kav ? QStringLiteral("应用入口") : QStringLiteral("统一门户"),
                      QStringLiteral(":/resources/Img/icon_portal.png")});
        items.append({MainLeftSandbox, kav ? QStringLiteral("安全空间") : QStringLiteral("安全沙箱"),
                      QStringLiteral(":/resources/Img/icon_sandbox.png")});
    }
    items.append({MainLeftDeviceInfo, QStringLiteral("设备信息"),
                  vesk ? veskIcon("device_info_checked.png") : QStringLiteral(":/resources/Img/icon_device_info.png")});
    items.append({MainLeftDynamicAuth, vesk ? QStringLiteral("评分信息") : QStringLiteral("动态授权"),
                  vesk ? veskIcon("dynamic_score_checked.png") : QStringLiteral(":/resources/Img/icon_dynamic_auth.png")});
    items.append({MainLeftVersionCheck, QStringLiteral("版本检测"),
                  vesk ? veskIcon("version_check.png") : QStringLiteral(":/resources/Img/icon_version_check.png")});
    return items;
}

MainWindow::MainWindow() : QMainWindow(nullptr)
{
    setObjectName(QStringLiteral("MainWindow"));
    buildWorkArea();
    // Kylin on mips runs odd scalings: let the window grow there.
    if (Common::unameRelease().contains(QLatin1String("mips"))) {
        setMinimumSize(960, 700);
        resize(960, 700);
    } else {
        setFixedSize(960, 700);
    }
    setWindowFlags(windowFlags() | Qt::FramelessWindowHint);
    if (!Common::csMode()) {
        // Only a pushed message brings the window up without client-server mode.
        setVisible(false);
    }
    setWindowTitle(Common::softName());
    waitForSystemTray();
    setIcon();
    centre();
    init();
}

void MainWindow::buildWorkArea()
{
    stack_ = new QStackedWidget(this);
    stack_->setObjectName(QStringLiteral("mainStack"));
    auto* empty = new QWidget(stack_);
    empty->setObjectName(QStringLiteral("pageEmpty"));
    stack_->addWidget(empty);

    workArea_ = new QWidget(stack_);
    workArea_->setObjectName(QStringLiteral("workArea"));
    auto* grid = new QGridLayout(workArea_);
    grid->setContentsMargins(0, 0, 0, 0);
    grid->setSpacing(0);
    viewLeft_ = new ViewLeft(workArea_);
    viewLeft_->setMinimumWidth(168);
    viewTop_ = new ViewTop(workArea_);
    viewTop_->setMinimumHeight(53);
    workStack_ = new QStackedWidget(workArea_);
    workStack_->setObjectName(QStringLiteral("workStack"));
    workStack_->setStyleSheet(QStringLiteral("QStackedWidget#workStack{background-color: white;}"));
    grid->addWidget(viewLeft_, 0, 0, 2, 1);
    grid->addWidget(viewTop_, 0, 1);
    grid->addWidget(workStack_, 1, 1);
    grid->setColumnStretch(1, 1);
    grid->setRowStretch(1, 1);
    stack_->addWidget(workArea_);
    setCentralWidget(stack_);
}

void MainWindow::waitForSystemTray()
{
    for (int i = 0; i < g_trayWaitAttempts; ++i) {
        if (QSystemTrayIcon::isSystemTrayAvailable()) {
            return;
        }
        LOG(WARNING) << "system tray is unavailable, sleep " << 2;
        QThread::sleep(2);
    }
}

void MainWindow::setIcon()
{
    const QString logo = corvis::paths::logo();
    if (QFileInfo::exists(logo)) {
        setWindowIcon(QIcon(logo));
    } else if (Common::edition().isVesk()) {
        setWindowIcon(QIcon(QStringLiteral(":/resource/vesk/logo.png")));
    } else {
        setWindowIcon(QIcon(QStringLiteral(":/resources/Img/corvislogo.png")));
    }
}

void MainWindow::centre()
{
    const QScreen* screen = QGuiApplication::primaryScreen();
    if (screen == nullptr) {
        return;
    }
    const QRect free = screen->availableGeometry();
    move(free.x() + (free.width() - width()) / 2, free.y() + (free.height() - height()) / 3);
}

void MainWindow::init()
{
    login_ = ClientLoginDialog::instance();
    spa_ = PageSPA::instance();
    stack_->insertWidget(PageMainLogin, login_);
    stack_->insertWidget(PageMainSpa, spa_);

    qRegisterMetaType<ServerReq>("ServerReq");
    qRegisterMetaType<ClientReq>("ClientReq");
    qRegisterMetaType<stQuerySandboxApproveRecordsRsp>("stQuerySandboxApproveRecordsRsp");

    // The sandbox, dynamic-authorization and version pages and the access-check dialog send
    // nothing until they are used: they are built then, which keeps start-up light.
    portal_ = PagePortal::instance();
    deviceInfo_ = new PageDeviceInfo(workStack_);
    addLeftItems();

    connect(UiComm::instance(), &UiComm::sendCommMsg, this, &MainWindow::onCommMsg);
    server_ = new UnixServer(corvis::paths::pushSocket(), this);
    // Deaf to every push until the socket path is ours again: the user must know.
    connect(server_, &UnixServer::listenFailed, this, [this]() { showTrayMessage(kRestartMessage); });
    server_->start(QThread::InheritPriority);
    ServerDeal* deal = server_->severDeal();
    connect(deal, &ServerDeal::sendServerMsg, this, &MainWindow::onServerMsg);
    connect(deal, &ServerDeal::sendWindowStatusChanged, this, &MainWindow::onWindowStatusChanged);
    connect(deal, &ServerDeal::sendSandboxReady, this, &MainWindow::onSandboxReady);
    connectPages();

    stack_->setCurrentIndex(PageMainLogin);
    querySystemTitle();
}

void MainWindow::addLeftItems()
{
    const QList<MainLeftItem> items = leftItems(Common::edition());
    for (const MainLeftItem& item : items) {
        QWidget* page = nullptr;
        switch (item.index) {
        case MainLeftPortal:
            page = portal_;
            break;
        case MainLeftDeviceInfo:
            page = deviceInfo_;
            break;
        case MainLeftSandbox:
        case MainLeftDynamicAuth:
        case MainLeftVersionCheck:
            // A slot held until the page is built.
            page = new QWidget(workStack_);
            page->setObjectName(QStringLiteral("pagePending%1").arg(item.index));
            break;
        }
        viewLeft_->addItem(item.label, QIcon(item.icon));
        workStack_->addWidget(page);
        leftOrder_.append(item.index);
    }
    if (Common::edition().is(Edition::Id::Kav)) {
        viewLeft_->setThemeColor(QStringLiteral("#D70A2A"));
    } else if (Common::edition().isVesk()) {
        viewLeft_->setThemeColor(QStringLiteral("#4AB793"));
    }
    // Shown once the service reports sandboxes and an active dynamic authorization.
    hideSidebar(MainLeftSandbox);
    hideSidebar(MainLeftDynamicAuth);
}

void MainWindow::connectPages()
{
    connect(this, &MainWindow::sendClientLoginResult, login_, &ClientLoginDialog::onReqClientLoginResult);
    connect(login_, &ClientLoginDialog::sendReqClientLogin, this,
            [](ClientReq req, const QString& text) { UiComm::instance()->apiCorvisclientCommon(req, text, true); });
    connect(login_, &ClientLoginDialog::sendJumpToMain, this, &MainWindow::onJumpToMain);
    connect(login_, &ClientLoginDialog::sendWindowsChange, this, &MainWindow::onWindows);
    connect(login_, &ClientLoginDialog::sendShowCommonDialog, this,
            [](LoginAction::Dialog page, int status, ClientReq req) {
                DialogCommon::instance()->showWindow(
                    page == LoginAction::Dialog::ImproveUserInfo ? PageDialogImproveUserInfo : PageDialogModifyPwd,
                    cs_ret_status(status), req);
            });
    // The access check's outcome at login (the dialog's answers are connected as it is built).
    connect(login_, &ClientLoginDialog::sendShowAccessCheckResult, this, [this](const st_accessCheckResult& result) {
        DialogAccessCheckResult* dialog = dialogAccessCheckResult();
        dialog->updateData(result);
        dialog->showCentred();
    });
    connect(login_, &ClientLoginDialog::sendAccessCheckDone, this, [this] {
        if (accessCheck_ != nullptr) {
            accessCheck_->dismiss();
        }
    });
    connect(login_, &ClientLoginDialog::sendShowImproveUserInfo, this,
            [](const QVector<st_ImproveUserInfoElements>& elements, const QString& tip) {
                DialogCommon::instance()->showWindow(elements);
                DialogCommon::instance()->setTips(tip, PageDialogImproveUserInfo, false);
            });
    connect(spa_, &PageSPA::sendSPALoginSucc, this, &MainWindow::onSPALoginSucc);
    connect(spa_, &PageSPA::sendWindowsChange, this, &MainWindow::onWindows);
    connect(DialogSPADisconnect::instance(), &DialogSPADisconnect::sendTriggerRedoSPA, this, &MainWindow::onTriggerRedoSPA);
    connect(portal_, &PagePortal::sendFileDownload, this, &MainWindow::onFileDownload);
    connect(portal_, &PagePortal::sendPortalRefresh, this, [this] { startPortalRefresh(false); });

    // The two account dialogs are built on first need (the shared one by whoever asks for it first,
    // the personal centre's with the centre) and connected then.
    DialogCommon::setInstanceSetup([this](DialogCommon* dialog) { connectDialogCommon(dialog); });
    connect(viewTop_, &ViewTop::personalCenterBuilt, this,
            [this](DialogPersonalCenter* center) { connectDialogCommon(center->dialogCommon()); });
    if (viewTop_->builtPersonalCenter() != nullptr) {
        connectDialogCommon(viewTop_->builtPersonalCenter()->dialogCommon());
    }

    connect(viewLeft_, &ViewLeft::sendIndexChanged, this, &MainWindow::onLeftBtnChanged);
    connect(viewTop_, &ViewTop::sendRefresh, this, &MainWindow::onTopRefresh);
    connect(viewTop_, &ViewTop::sendMinimize, this, &MainWindow::showMinimized);
    connect(viewTop_, &ViewTop::sendClose, this, &MainWindow::hideWindow);
    connect(viewTop_, &ViewTop::sendApplyFor, this, &MainWindow::onApplyFor);
}

void MainWindow::connectDialogCommon(DialogCommon* dialog)
{
    connect(dialog, &DialogCommon::sendReqClientModifyPwd, this,
            [](ClientReq req, const QString& text) { UiComm::instance()->apiCorvisclientCommon(req, text, true); });
    connect(dialog, &DialogCommon::sendJumpToMain, this, &MainWindow::onJumpToMain);
    connect(dialog, &DialogCommon::sendRecoverLoginBtn, login_, &ClientLoginDialog::onRecoverLoginBtn);
    connect(dialog, &DialogCommon::sendHandleEnable, portal_, &PagePortal::handleEnable);
    dialog->setLoginStateSource([this] { return loginState_; });
}

// ---------------------------------------------------------------------------------------------
// Pages built on first use

PageSandbox* MainWindow::pageSandbox()
{
    if (sandbox_ == nullptr) {
        sandbox_ = new PageSandbox(workStack_);
        placeWorkPage(MainLeftSandbox, sandbox_);
    }
    return sandbox_;
}

PageDynamicAuth* MainWindow::pageDynamicAuth()
{
    if (dynamicAuth_ == nullptr) {
        dynamicAuth_ = new PageDynamicAuth(workStack_);
        placeWorkPage(MainLeftDynamicAuth, dynamicAuth_);
    }
    return dynamicAuth_;
}

PageVersionCheck* MainWindow::pageVersionCheck()
{
    if (versionCheck_ == nullptr) {
        versionCheck_ = new PageVersionCheck(workStack_);
        placeWorkPage(MainLeftVersionCheck, versionCheck_);
    }
    return versionCheck_;
}

DialogAccessCheckResult* MainWindow::dialogAccessCheckResult()
{
    if (accessCheck_ == nullptr) {
        accessCheck_ = new DialogAccessCheckResult(this);
        connect(accessCheck_, &DialogAccessCheckResult::sendCheckStart, login_, &ClientLoginDialog::onCheckStart);
        connect(accessCheck_, &DialogAccessCheckResult::sendCloseAccessCheckResult, login_,
                &ClientLoginDialog::onCloseAccessCheckResult);
    }
    return accessCheck_;
}

void MainWindow::placeWorkPage(MainLeftItemIndex index, QWidget* page)
{
    const int position = leftPosition(index);
    if (position < 0) {
        page->hide();
        return;
    }
    QWidget* pending = workStack_->widget(position);
    const bool current = workStack_->currentIndex() == position;
    workStack_->insertWidget(position, page);
    workStack_->removeWidget(pending);
    pending->deleteLater();
    if (current) {
        workStack_->setCurrentIndex(position);
    }
}

// ---------------------------------------------------------------------------------------------
// Showing, hiding, quitting

void MainWindow::show(int index)
{
    LOG(INFO) << "FUNC(MainWindow::show) index: " << index;
    if (index >= 0 && index < stack_->count()) {
        stack_->setCurrentIndex(index);
    }
    showNormal();
    raise();
    activateWindow();
    // tirrowa knocks at once when the SPA page comes up, once per SPA round.
    if (index == PageMainSpa && Common::edition().is(Edition::Id::TirrowaUosX86) && !spaTriggered_) {
        spaTriggered_ = true;
        spa_->slot_btn_common_login_clicked();
    }
}

void MainWindow::showWindow()
{
    const bool wasHidden = isHidden();
    if (loginState_ == LoginOnline) {
        stack_->setCurrentIndex(PageMainWork);
    } else if (stack_->currentIndex() != PageMainSpa) {
        stack_->setCurrentIndex(PageMainLogin);
    }
    if (wasHidden) {
        querySystemTitle();
    }
    if (Common::edition().is(Edition::Id::Rolq)) {
        UiComm::instance()->apiCorviswebCommon(CReqWebShow, QString());
    }
    showNormal();
    raise();
    activateWindow();
}

void MainWindow::hideWindow()
{
    hide();
}

void MainWindow::closeWindow()
{
    server_->stop();
    server_->wait();
    if (Common::edition().is(Edition::Id::Rolq)) {
        UiComm::instance()->apiCorviswebCommon(CReqWebClose, QString());
    }
    LOG(INFO) << "corvisbench will quit";
    QCoreApplication::quit();
}

bool MainWindow::isPushServerRunning() const
{
    return server_->isRunning();
}

void MainWindow::onWindows(int change)
{
    if (change == 0) {
        showMinimized();
    } else if (change == 1) {
        hide();
    }
}

void MainWindow::closeEvent(QCloseEvent* event)
{
    LOG(INFO) << "MainWindow::closeEvent!";
    hide();
    event->ignore();
}

int MainWindow::currentPage() const
{
    return stack_->currentIndex();
}

// ---------------------------------------------------------------------------------------------
// Navigation

int MainWindow::leftPosition(MainLeftItemIndex index) const
{
    return leftOrder_.indexOf(index);
}

QWidget* MainWindow::currentWorkPage() const
{
    return workStack_->currentWidget();
}

void MainWindow::showMainWorkPage(MainLeftItemIndex index)
{
    const int position = leftPosition(index);
    if (position < 0) {
        LOG(INFO) << "FUNC(showMainWorkPage) no item " << index << " in this edition";
        return;
    }
    viewLeft_->setCurrentIndex(position);
}

void MainWindow::onLeftBtnChanged(int position)
{
    switch (leftOrder_.value(position, MainLeftPortal)) {
    case MainLeftSandbox:
        pageSandbox();
        break;
    case MainLeftDynamicAuth:
        pageDynamicAuth();
        break;
    case MainLeftVersionCheck:
        pageVersionCheck();
        break;
    case MainLeftPortal:
    case MainLeftDeviceInfo:
        break;
    }
    workStack_->setCurrentIndex(position);
}

void MainWindow::showSidebar(int index)
{
    const int position = leftPosition(static_cast<MainLeftItemIndex>(index));
    if (position >= 0) {
        viewLeft_->showItem(position);
    }
}

void MainWindow::hideSidebar(int index)
{
    const int position = leftPosition(static_cast<MainLeftItemIndex>(index));
    if (position >= 0) {
        viewLeft_->hideItem(position);
    }
}

void MainWindow::onJumpToMain()
{
    LOG(INFO) << "MainWindow::onJumpToMain";
    stack_->setCurrentIndex(PageMainWork);
    if (viewLeft_->count() > 0) {
        viewLeft_->setCurrentIndex(0);
    }
}

void MainWindow::onFileDownload(QString path, QByteArray data)
{
    DownloadStore::write(path, data);
}
