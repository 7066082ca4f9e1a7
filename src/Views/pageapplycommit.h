#pragma once

#include "src/CustomControl/customdialog.h"

#include <QDate>
#include <QJsonArray>
#include <QString>

class CusCalendarPopup;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QRadioButton;

// "资源申请": the user asks for access to applications he may not open yet. Filled with the
// applications ticked on the portal's request list, it takes a validity (never expires, or until
// the end of a chosen day) and a reason, and sends the request (117) to the client service; the
// answer goes to the portal through the main window.
//
// Children: "labelApplyNotice", "labelApplyApps", "radioNever", "radioCustom", "editValidDate",
// "editApplyReason", "btnApplyCancel", "btnApplyCommit", "validDateCalendar".
class pageapplycommit : public CustomDialog
{
    Q_OBJECT
public:
    // The notice shown when the request list names no tip of its own.
    static QString defaultNotice();
    // What one request must stay under: the parameter room of the request buffer.
    static constexpr int kMaxParamBytes = 64500;

    explicit pageapplycommit(QWidget* parent = nullptr);

    // Fills the dialog for `apps` (objects with "appId" and "appName"), starting afresh.
    void applycommitInfo(const QString& title, const QJsonArray& apps);
    // The notice above the form (the request list's tip); empty: the default one.
    void setNotice(const QString& notice);

    int validTimeType() const { return validTimeType_; }
    QString validEndTime() const { return validEndTime_; }
    QJsonArray appList() const { return appList_; }

    // The request's text: {approveType, validEndTime, validTimeType, applyReason, appList}.
    static QByteArray commitParam(int validTimeType, const QString& validEndTime, const QString& applyReason,
                                  const QJsonArray& appList);
    // The end of the chosen day (23:59:59 local time) in seconds since the epoch, as text.
    static QString endOfDay(const QDate& date);

public slots:
    void onNeverBtn();
    void onCustomBtn();
    void setDate(const QDate& date);
    void onApplyCommitBtn();
    void onCancelCommitBtn();

signals:
    // The request went to the client service with this text.
    void applyCommitted(const QByteArray& param);

protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void reset();
    void openCalendar();

    QLabel* notice_ = nullptr;
    QLabel* apps_ = nullptr;
    QRadioButton* never_ = nullptr;
    QRadioButton* custom_ = nullptr;
    QLineEdit* date_ = nullptr;
    QPlainTextEdit* reason_ = nullptr;
    QPushButton* cancel_ = nullptr;
    QPushButton* commit_ = nullptr;
    CusCalendarPopup* calendar_ = nullptr;

    int validTimeType_ = 1;
    QString validEndTime_;
    QJsonArray appList_;
};
