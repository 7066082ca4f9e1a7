#include "src/Views/mainwindow.h"

#include "app/common.h"
#include "corviscommon/logging.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDesktopWidget>
#include <QLabel>
#include <QScreen>
#include <QStackedWidget>
#include <QSystemTrayIcon>
#include <QThread>
#include <QVBoxLayout>

namespace {

int g_trayWaitAttempts = 30;

QWidget* placeholderPage(const QString& name)
{
    auto* page = new QWidget;
    page->setObjectName(name);
    return page;
}

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

MainWindow::MainWindow() : QMainWindow(nullptr)
{
    setObjectName(QStringLiteral("MainWindow"));
    stack_ = new QStackedWidget(this);
    stack_->setObjectName(QStringLiteral("mainStack"));
    stack_->insertWidget(PageMainEmpty, placeholderPage(QStringLiteral("pageEmpty")));
    QWidget* login = placeholderPage(QStringLiteral("pageLogin"));
    auto* loginLayout = new QVBoxLayout(login);
    auto* title = new QLabel(Common::softName(), login);
    title->setObjectName(QStringLiteral("labelSoftName"));
    title->setAlignment(Qt::AlignCenter);
    title->setStyleSheet(QStringLiteral("font-size: 28px; color: #1f5fbf;"));
    loginLayout->addWidget(title);
    stack_->insertWidget(PageMainLogin, login);
    stack_->insertWidget(PageMainWork, placeholderPage(QStringLiteral("pageWork")));
    stack_->insertWidget(PageMainSpa, placeholderPage(QStringLiteral("pageSpa")));
    setCentralWidget(stack_);

    // Kylin on mips runs odd scalings: let the window grow there.
    if (Common::unameRelease().contains(QLatin1String("mips"))) {
        setMinimumSize(960, 700);
        resize(960, 700);
    } else {
        setFixedSize(960, 700);
    }
    setWindowFlags(windowFlags() | Qt::FramelessWindowHint);
    setWindowTitle(Common::softName());
    waitForSystemTray();
    centre();
    stack_->setCurrentIndex(PageMainLogin);
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

void MainWindow::centre()
{
    const QScreen* screen = QGuiApplication::primaryScreen();
    if (screen == nullptr) {
        return;
    }
    const QRect free = screen->availableGeometry();
    move(free.x() + (free.width() - width()) / 2, free.y() + (free.height() - height()) / 3);
}

void MainWindow::show(int index)
{
    LOG(INFO) << "FUNC(MainWindow::show) index: " << index;
    if (index >= 0 && index < stack_->count()) {
        stack_->setCurrentIndex(index);
    }
    showNormal();
    raise();
    activateWindow();
}

int MainWindow::currentPage() const
{
    return stack_->currentIndex();
}

void MainWindow::closeEvent(QCloseEvent* event)
{
    hide();
    event->ignore();
}
