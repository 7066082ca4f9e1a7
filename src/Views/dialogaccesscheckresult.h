#pragma once

#include "src/CustomControl/customdialog.h"
#include "src/PolicyAnalyzer/st_accesscheckresult.h"

#include <QString>

#include <functional>

class CusTreeList;
class QLabel;
class QPushButton;

// The access check's outcome at login: how many check sections are not compliant, and a tree of
// the sections with their items and repair links. "重新检查" asks for a new check
// (sendCheckStart) and shows the dialog busy until the next result arrives through updateData();
// closing it hides it (it is created once and shown again for every refused login) and tells
// the login dialog (sendCloseAccessCheckResult).
//
// Repair links open in the browser only when they are http or https links.
//
// Children: "labelHeadPicture", "labelHead", "treeAccessCheck" (a CusTreeList),
// "btnCheckAgain" (and those of CustomDialog).
class DialogAccessCheckResult : public CustomDialog
{
    Q_OBJECT
public:
    // How a repair link reaches the browser; by default Common::openURL on the thread pool (it
    // asks the shell for the browser).
    using UrlOpener = std::function<void(const QString& url)>;

    explicit DialogAccessCheckResult(QWidget* parent = nullptr);

    void updateData(const st_accessCheckResult& result);
    void setErrorHeadWidget(int count);
    // Horizontally centred, a third down the free height of the desktop, shown and raised.
    void showCentred();
    // Hides without the close reaction: the login has left the access check.
    void dismiss();
    // Opens an http or https repair link; anything else is refused (logged).
    void openRepairGuide(const QString& url);
    void setUrlOpener(const UrlOpener& opener);

    QString headText() const;
    // A new check was asked for and no result has come yet.
    bool isChecking() const { return checking_; }
    CusTreeList* tree() const { return tree_; }

signals:
    void sendCheckStart();
    void sendCloseAccessCheckResult();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void onCheckAgain();
    void setHeadPicture(const QString& name);
    static QString pictureDir();

    QLabel* picture_ = nullptr;
    QLabel* head_ = nullptr;
    CusTreeList* tree_ = nullptr;
    QPushButton* checkAgain_ = nullptr;
    UrlOpener opener_;
    bool checking_ = false;
};
