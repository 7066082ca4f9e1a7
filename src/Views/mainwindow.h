#pragma once

#include <QMainWindow>

class QStackedWidget;

// Index of the main window's top-level stacked page.
enum PageMainIndex {
    PageMainEmpty = 0,
    PageMainLogin = 1,
    PageMainWork = 2,
    PageMainSpa = 3,
};

// The single top-level window of the workbench: the login page, the work area and the SPA page
// in one stacked widget. Created on the first call of instance(), never destroyed.
class MainWindow : public QMainWindow
{
    Q_OBJECT
public:
    static MainWindow* instance();

    // Selects the page, shows the window normally, raises and activates it.
    void show(int index);
    int currentPage() const;

    // How often start-up waits 2 s for a system tray (30 by default). Tests without a tray set
    // 0 before the first instance() so that construction does not wait.
    static void setTrayWaitAttempts(int attempts);

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    MainWindow();
    void waitForSystemTray();
    void centre();

    QStackedWidget* stack_ = nullptr;
};
