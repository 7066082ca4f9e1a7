#pragma once

#include "src/CustomControl/customdialog.h"

class QLabel;
class QPushButton;

// The workbench's message box: a short text, "确定" and, when asked for, "取消". Confirming emits
// clickSure(); cancelling or closing emits clickCancel(). showMessage() returns at once and the
// answer comes later as one of the two signals; ask() waits for it.
//
// Tests answer boxes in advance with setNextAnswer(): the next box shown takes the answer
// without appearing (showMessage() delivers it on the next turn of the event loop, as a click
// would; ask() returns it), so no test ever waits for a person.
//
// Children: "labelMessage", "btnConfirm", "btnCancel" (and those of CustomDialog).
class CusMessageBox : public CustomDialog
{
    Q_OBJECT
public:
    enum Answer {
        Cancel = 0,
        Confirm = 1,
    };
    Q_ENUM(Answer)

    explicit CusMessageBox(QWidget* parent = nullptr);

    // Shows `text` window-modal with "确定" and, when `withCancel`, "取消"; returns at once.
    void showMessage(const QString& text, bool withCancel, const QString& title = QStringLiteral("提示"));
    // Shows `text` and waits for the answer; true when confirmed.
    bool ask(const QString& text, bool withCancel, const QString& title = QStringLiteral("提示"));

    QString message() const;
    bool hasCancel() const { return withCancel_; }
    void setButtonTexts(const QString& confirm, const QString& cancel);
    // The confirm button's colour and its hover colour, for a box over a page of an edition with a
    // theme of its own; the common theme otherwise.
    void setThemeColours(const QString& theme, const QString& hover);

    // Queues the answer for the next box shown, in any instance; answers are used in order.
    static void setNextAnswer(Answer answer);
    static int pendingAnswers();
    static void clearNextAnswers();

signals:
    void clickSure();
    void clickCancel();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void prepare(const QString& text, bool withCancel, const QString& title);
    void answer(Answer answer);

    QLabel* message_ = nullptr;
    QPushButton* confirm_ = nullptr;
    QPushButton* cancel_ = nullptr;
    bool withCancel_ = false;
    bool answered_ = true;
};
