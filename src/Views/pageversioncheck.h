#pragma once

#include <QWidget>

class CusMessageBox;
class QPushButton;

// The about-and-update page: logo, product name and version, the edition's owner lines, and the
// two actions the update service carries out (check for a newer version, roll back). A button
// stays busy from its request until the main window gives it back.
//
// Children: "btnCheckVersion", "btnBackVersion", "labelProduct", "labelLogo".
class PageVersionCheck : public QWidget
{
    Q_OBJECT
public:
    explicit PageVersionCheck(QWidget* parent = nullptr);

    void init();
    void changeCheckVersionBtnStatus(bool enable);
    void changeBackVersionBtnStatus(bool enable);
    void onBackVersionBtn();

    // The backup package whose presence allows a rollback.
    static QString backupPackagePath();

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void onCheckVersionBtn();
    void onRollbackConfirmed();

    QPushButton* checkBtn_ = nullptr;
    QPushButton* backBtn_ = nullptr;
    CusMessageBox* msgBox_ = nullptr;
    bool rollbackConfirm_ = false;
};
